#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/RunLog.h"
#include "options/Options.h"
#include "support/TestSupport.h"

using testing_support::TempDir;
using testing_support::writeFile;
using testing_support::writeOptionsFile;

namespace {

// Sixteen values, each different from its default, in file order.
const std::vector<std::string> changedValues = {"0", "3", "1",   "0.5", "200", "50", "1", "0",
                                                "1", "1", "-20", "-2",  "3",   "40", "2", "3"};

struct ReadResult {
    bool read = false;
    std::string console;
};

ReadResult readOptions(const std::string& path, Options& options)
{
    RunLog log;
    testing::internal::CaptureStdout();
    ReadResult result;
    result.read = readOptionsFile(path, log, options);
    result.console = testing::internal::GetCapturedStdout();
    return result;
}

// Reads a file holding one value, given as the second value (methodCode), after one leading value.
std::int32_t methodCodeFrom(const std::string& text)
{
    TempDir folder;
    writeFile(folder.file("o.txt"), "logs $1\nmethod $" + text + "\n");
    Options options;
    readOptions(folder.file("o.txt"), options);
    return options.methodCode;
}

bool writeLogsFrom(const std::string& text)
{
    TempDir folder;
    writeFile(folder.file("o.txt"), "logs $" + text + "\n");
    Options options;
    options.writeLogs = false;
    readOptions(folder.file("o.txt"), options);
    return options.writeLogs;
}

void expectDefaults(const Options& options)
{
    EXPECT_TRUE(options.writeLogs);
    EXPECT_EQ(options.methodCode, 5);
    EXPECT_FALSE(options.useSequenceBackground);
    EXPECT_EQ(options.threshold, 0.800000011920929);
    EXPECT_EQ(options.operatorUpstream, 350);
    EXPECT_EQ(options.operatorDownstream, 100);
    EXPECT_FALSE(options.sortByScore);
    EXPECT_TRUE(options.mergeStrandPairs);
    EXPECT_FALSE(options.literalCutoff);
    EXPECT_FALSE(options.useIntegration);
    EXPECT_EQ(options.upstreamMeanStart, -500);
    EXPECT_EQ(options.upstreamMeanEnd, -1);
    EXPECT_EQ(options.downstreamMeanStart, 1);
    EXPECT_EQ(options.downstreamMeanEnd, 500);
    EXPECT_EQ(options.cutoffFactor, 1.5);
    EXPECT_EQ(options.integrationMode, 1);
}

} // namespace

TEST(OptionsDefaults, RestoreEveryFileFieldButKeepTheCutoff)
{
    TempDir folder;
    writeOptionsFile(folder.file("o.txt"), changedValues);
    Options options;
    readOptions(folder.file("o.txt"), options);
    options.cutoff = 12.5;

    RunLog log;
    testing::internal::CaptureStdout();
    setDefaults(options, log);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Setting options to default...\n");
    expectDefaults(options);
    EXPECT_EQ(options.cutoff, 12.5);
    EXPECT_STREQ(methodName(options.methodCode), "Rsequence_Ri");
}

TEST(OptionsFile, SixteenValuesGoEachToItsOwnField)
{
    TempDir folder;
    writeOptionsFile(folder.file("o.txt"), changedValues);
    Options options;
    const ReadResult result = readOptions(folder.file("o.txt"), options);
    EXPECT_TRUE(result.read);
    EXPECT_EQ(result.console, "Reading options...\n");
    EXPECT_FALSE(options.writeLogs);
    EXPECT_EQ(options.methodCode, 3);
    EXPECT_TRUE(options.useSequenceBackground);
    EXPECT_EQ(options.threshold, 0.5);
    EXPECT_EQ(options.operatorUpstream, 200);
    EXPECT_EQ(options.operatorDownstream, 50);
    EXPECT_TRUE(options.sortByScore);
    EXPECT_FALSE(options.mergeStrandPairs);
    EXPECT_TRUE(options.literalCutoff);
    EXPECT_TRUE(options.useIntegration);
    EXPECT_EQ(options.upstreamMeanStart, -20);
    EXPECT_EQ(options.upstreamMeanEnd, -2);
    EXPECT_EQ(options.downstreamMeanStart, 3);
    EXPECT_EQ(options.downstreamMeanEnd, 40);
    EXPECT_EQ(options.cutoffFactor, 2.0);
    EXPECT_EQ(options.integrationMode, 3);
    EXPECT_EQ(options.cutoff, 0.0);
}

TEST(OptionsFile, FifteenValuesSucceedAndKeepTheIntegrationMode)
{
    TempDir folder;
    writeOptionsFile(folder.file("o.txt"), {changedValues.begin(), changedValues.begin() + 15});
    Options options;
    EXPECT_TRUE(readOptions(folder.file("o.txt"), options).read);
    EXPECT_EQ(options.cutoffFactor, 2.0);
    EXPECT_EQ(options.integrationMode, 1);
}

TEST(OptionsFile, FourteenValuesFailButKeepWhatWasRead)
{
    TempDir folder;
    writeOptionsFile(folder.file("o.txt"), {changedValues.begin(), changedValues.begin() + 14});
    Options options;
    EXPECT_FALSE(readOptions(folder.file("o.txt"), options).read);
    EXPECT_EQ(options.downstreamMeanEnd, 40);
    EXPECT_EQ(options.cutoffFactor, 1.5);
}

TEST(OptionsFile, ValuesAfterTheSixteenthAreIgnored)
{
    TempDir folder;
    std::vector<std::string> values = changedValues;
    values.push_back("99");
    values.push_back("7");
    writeOptionsFile(folder.file("o.txt"), values);
    Options options;
    EXPECT_TRUE(readOptions(folder.file("o.txt"), options).read);
    EXPECT_EQ(options.integrationMode, 3);
    EXPECT_EQ(options.methodCode, 3);
}

TEST(OptionsFile, EmptyOrDollarlessFilesCountNoValues)
{
    TempDir folder;
    writeFile(folder.file("empty.txt"), "");
    writeFile(folder.file("labels.txt"), "Write logs 1\nMethod 3\n\n# no values here 12\n");
    for (const char* name : {"empty.txt", "labels.txt"}) {
        Options options;
        const ReadResult result = readOptions(folder.file(name), options);
        EXPECT_FALSE(result.read) << name;
        EXPECT_EQ(result.console, "Reading options...\n") << name;
        expectDefaults(options);
    }
}

TEST(OptionsFile, MissingFileIsReportedOnTheRunLogChannel)
{
    TempDir folder;
    Options options;
    const ReadResult result = readOptions(folder.file("absent.txt"), options);
    EXPECT_FALSE(result.read);
    EXPECT_EQ(result.console, "Reading options...\nOptions file could not be opened\n");
    expectDefaults(options);
}

TEST(OptionsFile, DollarAsLastByteCountsAsAnEmptyValue)
{
    TempDir folder;
    std::string text;
    for (int k = 0; k < 14; ++k)
        text += "v $" + changedValues[k] + "\n";
    writeFile(folder.file("o.txt"), text + "factor $");
    Options options;
    EXPECT_TRUE(readOptions(folder.file("o.txt"), options).read);
    EXPECT_EQ(options.cutoffFactor, 0.0);
}

TEST(OptionsFile, LastLineWithoutTerminatorIsRead)
{
    TempDir folder;
    std::string text;
    for (int k = 0; k < 15; ++k)
        text += "v $" + changedValues[k] + "\n";
    writeFile(folder.file("o.txt"), text + "mode $3");
    Options options;
    EXPECT_TRUE(readOptions(folder.file("o.txt"), options).read);
    EXPECT_EQ(options.integrationMode, 3);
}

TEST(OptionsFile, CrlfFileReadsLikeLfFile)
{
    TempDir folder;
    std::string lf;
    std::string crlf;
    for (const std::string& value : changedValues) {
        lf += "label $" + value + "\n";
        crlf += "label $" + value + "\r\n";
    }
    writeFile(folder.file("lf.txt"), lf);
    writeFile(folder.file("crlf.txt"), crlf);
    Options fromLf;
    Options fromCrlf;
    EXPECT_TRUE(readOptions(folder.file("lf.txt"), fromLf).read);
    EXPECT_TRUE(readOptions(folder.file("crlf.txt"), fromCrlf).read);
    EXPECT_EQ(fromCrlf.writeLogs, fromLf.writeLogs);
    EXPECT_EQ(fromCrlf.methodCode, fromLf.methodCode);
    EXPECT_EQ(fromCrlf.threshold, fromLf.threshold);
    EXPECT_EQ(fromCrlf.literalCutoff, fromLf.literalCutoff);
    EXPECT_EQ(fromCrlf.useIntegration, fromLf.useIntegration);
    EXPECT_EQ(fromCrlf.cutoffFactor, fromLf.cutoffFactor);
    EXPECT_EQ(fromCrlf.integrationMode, fromLf.integrationMode);
}

TEST(OptionsFile, ValueTextIsTheRestOfItsLineOnly)
{
    TempDir folder;
    // Text before '$' is a label, a second '$' belongs to the value text,
    // and the next value starts on the next line.
    writeFile(folder.file("o.txt"), "logs 7 $0 $1\nmethod 9 $  -300 and words\n$\n");
    Options options;
    readOptions(folder.file("o.txt"), options);
    EXPECT_FALSE(options.writeLogs);
    EXPECT_EQ(options.methodCode, -300);
    EXPECT_FALSE(options.useSequenceBackground);
}

TEST(OptionsConversion, IntegersFollowAtoi)
{
    EXPECT_EQ(methodCodeFrom("12"), 12);
    EXPECT_EQ(methodCodeFrom("   -300 then words"), -300);
    EXPECT_EQ(methodCodeFrom("+7"), 7);
    EXPECT_EQ(methodCodeFrom("3.9"), 3);
    EXPECT_EQ(methodCodeFrom("0x10"), 0);
    EXPECT_EQ(methodCodeFrom("words"), 0);
    EXPECT_EQ(methodCodeFrom(""), 0);
}

TEST(OptionsConversion, OverflowingIntegersClampToTheirRange)
{
    EXPECT_EQ(methodCodeFrom("2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(methodCodeFrom("2147483648"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(methodCodeFrom("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(methodCodeFrom("-99999999999999999999999"), std::numeric_limits<std::int32_t>::min());
    // 2^32 + 1 would wrap to 1: clamped, it is no flag.
    EXPECT_FALSE(writeLogsFrom("4294967297"));
}

TEST(OptionsConversion, FlagIsSetExactlyWhenItsTextReadsAsOne)
{
    for (const char* text : {"1", "01", "1.9", "  1", "1 yes"})
        EXPECT_TRUE(writeLogsFrom(text)) << '"' << text << '"';
    for (const char* text : {"0", "2", "-1", "yes", "", "0.9"})
        EXPECT_FALSE(writeLogsFrom(text)) << '"' << text << '"';
}

TEST(OptionsConversion, DoublesFollowAtof)
{
    TempDir folder;
    const std::vector<std::pair<std::string, double>> cases = {
        {"0.8", 0.8}, {" -2.5e1xyz", -25.0}, {"words", 0.0}, {".5", 0.5}, {"", 0.0}};
    for (const auto& [text, expected] : cases) {
        writeFile(folder.file("o.txt"), "a $1\nb $5\nc $0\nthreshold $" + text + "\n");
        Options options;
        readOptions(folder.file("o.txt"), options);
        EXPECT_EQ(options.threshold, expected) << '"' << text << '"';
    }
    writeFile(folder.file("o.txt"), "a $1\nb $5\nc $0\nthreshold $1e999\n");
    Options options;
    readOptions(folder.file("o.txt"), options);
    EXPECT_TRUE(std::isinf(options.threshold));
}

TEST(MethodName, NamesEveryCodeAndMarksOthersUnknown)
{
    const std::vector<std::string> names = {"Ri",
                                            "BvH HI",
                                            "Rsequence_BvH",
                                            "Rsequence_Differential_Rsequence",
                                            "Rsequence_Ri",
                                            "PredictRegulon",
                                            "RE_Ri",
                                            "Differential_RE",
                                            "Iseq",
                                            "Varno_HI",
                                            "Differential_Rsequence"};
    Options options;
    for (std::int32_t code = 1; code <= 11; ++code) {
        options.methodCode = code;
        EXPECT_EQ(std::string(methodName(options.methodCode)), names[code - 1]);
    }
    for (std::int32_t code : {0, 12, -5}) {
        options.methodCode = code;
        EXPECT_STREQ(methodName(options.methodCode), "???");
    }
}
