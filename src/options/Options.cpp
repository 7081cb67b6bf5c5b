#include "options/Options.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "base/RunLog.h"

namespace {

// A file with only the last value missing still counts as read: the last
// field then keeps its default.
constexpr std::uint64_t valuesRequired = 15;

// The atoi rules, with a value outside the 32-bit range clamped to its
// nearest end instead of wrapping.
std::int32_t readInteger(const std::string& text)
{
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

// The atof rules (strtod: overflow gives an infinity, underflow 0 or a subnormal).
double readDouble(const std::string& text)
{
    return std::strtod(text.c_str(), nullptr);
}

// A flag is set exactly when its text reads as the integer 1.
bool readFlag(const std::string& text)
{
    return readInteger(text) == 1;
}

// Stores the text of the value at 1-based `position` in the options file.
void storeValue(Options& options, std::uint64_t position, const std::string& text)
{
    switch (position) {
    case 1: options.writeLogs = readFlag(text); break;
    case 2: options.methodCode = readInteger(text); break;
    case 3: options.useSequenceBackground = readFlag(text); break;
    case 4: options.threshold = readDouble(text); break;
    case 5: options.operatorUpstream = readInteger(text); break;
    case 6: options.operatorDownstream = readInteger(text); break;
    case 7: options.sortByScore = readFlag(text); break;
    case 8: options.mergeStrandPairs = readFlag(text); break;
    case 9: options.literalCutoff = readFlag(text); break;
    case 10: options.useIntegration = readFlag(text); break;
    case 11: options.upstreamMeanStart = readInteger(text); break;
    case 12: options.upstreamMeanEnd = readInteger(text); break;
    case 13: options.downstreamMeanStart = readInteger(text); break;
    case 14: options.downstreamMeanEnd = readInteger(text); break;
    case 15: options.cutoffFactor = readDouble(text); break;
    case 16: options.integrationMode = readInteger(text); break;
    default: break; // counted, stored nowhere
    }
}

} // namespace

void setDefaults(Options& options, RunLog& log)
{
    logLine(log, "Setting options to default...");
    const double cutoff = options.cutoff;
    options = Options();
    options.cutoff = cutoff;
}

bool readOptionsFile(const std::string& fileName, RunLog& log, Options& options)
{
    logLine(log, "Reading options...");
    std::ifstream file(fileName);
    // A directory opens like an empty file but fails on the first read.
    if (file)
        file.peek();
    if (!file.is_open() || file.bad()) {
        logLine(log, "Options file could not be opened");
        return false;
    }
    std::uint64_t valuesRead = 0;
    std::string text;
    char c = 0;
    while (file.get(c)) {
        if (c != '$')
            continue;
        std::getline(file, text);
        // A CRLF file must read like an LF file: the terminator is not value text.
        if (!text.empty() && text.back() == '\r' && !file.eof())
            text.pop_back();
        storeValue(options, ++valuesRead, text);
    }
    return valuesRead >= valuesRequired;
}
