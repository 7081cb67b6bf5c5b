#include "options/CommandLineSettings.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <system_error>

#include "base/ErrorReport.h"

namespace {

const std::vector<SettingOption> options = {
    {"--logs", "", "1", "write the diagnostic logs (the default)"},
    {"--no-logs", "", "1", "write no diagnostic logs"},
    {"--method", "N", "2", "scoring method, 1 to 11 (default 5, Rsequence_Ri)"},
    {"--background", "uniform|sequence", "3",
     "background composition: uniform (the default), or the sequence's own (a file of one record)"},
    {"--threshold", "X", "4, 9", "share of the sites expected to pass, above 0 and below 1 (default 0.8)"},
    {"--cutoff", "X", "4, 9", "a literal score cut-off in place of the threshold's"},
    {"--upstream", "N", "5", "operator region upstream of a gene start, in letters, 0 or more (default 350)"},
    {"--downstream", "N", "6", "operator region downstream of a gene start, in letters, 0 or more (default 100)"},
    {"--sort", "position|score", "7", "order of each sequence's hits (default position)"},
    {"--merge", "", "8", "keep one hit of a site seen on both strands (the default)"},
    {"--no-merge", "", "8", "keep the hits of both strands"},
    {"--integration", "off|1|2|3", "10, 16",
     "integration (mean window) mode and its ratio: 1 upstream/global, 2 upstream/local, 3 up/downstream "
     "(default off)"},
    {"--upstream-mean", "START:END", "11, 12",
     "upstream mean interval under integration, in windows (default -500:-1)"},
    {"--downstream-mean", "START:END", "13, 14",
     "downstream mean interval under integration, in windows (default 1:500)"},
    {"--cutoff-factor", "F", "15",
     "under integration the cut-off is divided by F (times F for methods 2 and 3), "
     "F > 0 (default 1.5)"},
};

const SettingOption* find(const std::string& name)
{
    for (const SettingOption& option : options)
        if (name == option.name)
            return &option;
    return nullptr;
}

[[noreturn]] void reportBadValue(const std::string& name, const std::string& wanted, const std::string& text)
{
    reportError({"ERROR: Option " + name + " takes " + wanted + ": " + text, "Type varno --help for the options."});
}

// A whole number within [least, most]; nothing may follow it.
std::int32_t wholeNumber(const std::string& name, const std::string& text, std::int64_t least, std::int64_t most,
                         const std::string& wanted)
{
    std::int64_t value = 0;
    const char* const end = text.data() + text.size();
    const std::from_chars_result read = std::from_chars(text.data(), end, value);
    if (read.ec != std::errc() || read.ptr != end || value < least || value > most)
        reportBadValue(name, wanted, text);
    return static_cast<std::int32_t>(value);
}

// A finite number; nothing may follow it.
double number(const std::string& name, const std::string& text, const std::string& wanted)
{
    double value = 0.0;
    const char* const end = text.data() + text.size();
    const std::from_chars_result read = std::from_chars(text.data(), end, value);
    if (read.ec != std::errc() || read.ptr != end || !std::isfinite(value))
        reportBadValue(name, wanted, text);
    return value;
}

// START:END, two whole numbers; their order is the integration's to judge.
void interval(const std::string& name, const std::string& text, std::int32_t& start, std::int32_t& end)
{
    const std::string wanted = "an interval of windows, START:END";
    const std::string::size_type colon = text.find(':', 1);
    if (colon == std::string::npos)
        reportBadValue(name, wanted, text);
    constexpr std::int64_t least = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t most = std::numeric_limits<std::int32_t>::max();
    start = wholeNumber(name, text.substr(0, colon), least, most, wanted);
    end = wholeNumber(name, text.substr(colon + 1), least, most, wanted);
}

} // namespace

const std::vector<SettingOption>& settingOptions()
{
    return options;
}

bool CommandLineSettings::names(const std::string& name)
{
    return find(name) != nullptr;
}

bool CommandLineSettings::takesValue(const std::string& name)
{
    const SettingOption* option = find(name);
    return option != nullptr && option->value[0] != '\0';
}

void CommandLineSettings::set(const std::string& name, const std::string& value)
{
    constexpr std::int64_t most = std::numeric_limits<std::int32_t>::max();
    const auto change = [this](auto apply) { changes_.emplace_back(apply); };
    if (name == "--logs" || name == "--no-logs") {
        const bool logs = name == "--logs";
        change([logs](Options& options) { options.writeLogs = logs; });
    } else if (name == "--method") {
        const std::int32_t method = wholeNumber(name, value, 1, 11, "a method number from 1 to 11");
        change([method](Options& options) { options.methodCode = method; });
    } else if (name == "--background") {
        if (value != "uniform" && value != "sequence")
            reportBadValue(name, "uniform or sequence", value);
        const bool own = value == "sequence";
        change([own](Options& options) { options.useSequenceBackground = own; });
    } else if (name == "--threshold" || name == "--cutoff") {
        const bool literal = name == "--cutoff";
        (literal ? cutoff_ : threshold_) = true;
        if (threshold_ && cutoff_)
            reportError({"ERROR: Options --threshold and --cutoff both set the cut-off: give one of them.",
                         "Type varno --help for the options."});
        const double threshold = number(name, value, literal ? "a score" : "a share above 0 and below 1");
        if (!literal && !(threshold > 0.0 && threshold < 1.0))
            reportBadValue(name, "a share above 0 and below 1", value);
        change([threshold, literal](Options& options) {
            options.threshold = threshold;
            options.literalCutoff = literal;
        });
    } else if (name == "--upstream" || name == "--downstream") {
        const std::int32_t letters = wholeNumber(name, value, 0, most, "a number of letters, 0 or more");
        const bool up = name == "--upstream";
        change([letters, up](Options& options) {
            (up ? options.operatorUpstream : options.operatorDownstream) = letters;
        });
    } else if (name == "--sort") {
        if (value != "position" && value != "score")
            reportBadValue(name, "position or score", value);
        const bool byScore = value == "score";
        change([byScore](Options& options) { options.sortByScore = byScore; });
    } else if (name == "--merge" || name == "--no-merge") {
        const bool merge = name == "--merge";
        change([merge](Options& options) { options.mergeStrandPairs = merge; });
    } else if (name == "--integration") {
        const bool on = value != "off";
        const std::int32_t mode = on ? wholeNumber(name, value, 1, 3, "off or a ratio mode from 1 to 3") : 0;
        change([on, mode](Options& options) {
            options.useIntegration = on;
            if (on)
                options.integrationMode = mode;
        });
    } else if (name == "--upstream-mean" || name == "--downstream-mean") {
        std::int32_t start = 0, end = 0;
        interval(name, value, start, end);
        const bool up = name == "--upstream-mean";
        change([start, end, up](Options& options) {
            (up ? options.upstreamMeanStart : options.downstreamMeanStart) = start;
            (up ? options.upstreamMeanEnd : options.downstreamMeanEnd) = end;
        });
    } else if (name == "--cutoff-factor") {
        const double factor = number(name, value, "a factor above 0");
        if (!(factor > 0.0))
            reportBadValue(name, "a factor above 0", value);
        change([factor](Options& options) { options.cutoffFactor = factor; });
    }
}

void CommandLineSettings::applyTo(Options& options) const
{
    for (const std::function<void(Options&)>& apply : changes_)
        apply(options);
}
