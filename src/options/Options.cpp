#include "options/Options.h"

#include <charconv>
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

// Whether a value's text reads wholly as a number: something read, and
// nothing but blanks after it. What the field stores is read as before.
bool readsWhole(const std::string& text, bool integer)
{
    char* end = nullptr;
    if (integer)
        static_cast<void>(std::strtoll(text.c_str(), &end, 10));
    else
        static_cast<void>(std::strtod(text.c_str(), &end));
    if (end == text.c_str())
        return false;
    for (; *end != '\0'; ++end)
        if (*end != ' ' && *end != '\t' && *end != '\r')
            return false;
    return true;
}

// The value of the field at `position` as the run took it, for a warning.
std::string storedText(const Options& options, std::uint64_t position)
{
    switch (position) {
    case 1: return std::to_string(options.writeLogs ? 1 : 0);
    case 2: return std::to_string(options.methodCode);
    case 3: return std::to_string(options.useSequenceBackground ? 1 : 0);
    case 5: return std::to_string(options.operatorUpstream);
    case 6: return std::to_string(options.operatorDownstream);
    case 7: return std::to_string(options.sortByScore ? 1 : 0);
    case 8: return std::to_string(options.mergeStrandPairs ? 1 : 0);
    case 9: return std::to_string(options.literalCutoff ? 1 : 0);
    case 10: return std::to_string(options.useIntegration ? 1 : 0);
    case 11: return std::to_string(options.upstreamMeanStart);
    case 12: return std::to_string(options.upstreamMeanEnd);
    case 13: return std::to_string(options.downstreamMeanStart);
    case 14: return std::to_string(options.downstreamMeanEnd);
    case 16: return std::to_string(options.integrationMode);
    default: break;
    }
    char text[32];
    const double value = position == 4 ? options.threshold : options.cutoffFactor;
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
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
    std::uint64_t lineNumber = 1;
    std::string text;
    char c = 0;
    while (file.get(c)) {
        if (c == '\n')
            ++lineNumber;
        if (c != '$')
            continue;
        std::getline(file, text);
        // A CRLF file must read like an LF file: the terminator is not value text.
        if (!text.empty() && text.back() == '\r' && !file.eof())
            text.pop_back();
        storeValue(options, ++valuesRead, text);
        // A value that is not wholly a number is still read by the old rules;
        // the warning tells what the run took it for.
        if (valuesRead <= 16 && !readsWhole(text, valuesRead != 4 && valuesRead != 15))
            logLine(log, "WARNING: options file line " + std::to_string(lineNumber) + ", value "
                             + std::to_string(valuesRead) + ": \"" + text + "\" is not wholly a number; read as "
                             + storedText(options, valuesRead));
        ++lineNumber;
    }
    return valuesRead >= valuesRequired;
}
