#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "base/RunLog.h"
#include "support/TestSupport.h"

using testing_support::fileExists;
using testing_support::readFile;
using testing_support::ScopedWorkingFolder;
using testing_support::TempDir;

TEST(RunLogName, CutsAtTheLastDotAndKeepsTheFolder)
{
    EXPECT_EQ(RunLog::nameFor("data/seq.fas"), "data/seq.log");
    EXPECT_EQ(RunLog::nameFor("data/seq"), "data/seq.log");
    EXPECT_EQ(RunLog::nameFor("genome.tar.gbk"), "genome.tar.log");
    // No '.' in the file part: the folder's '.' is the last one.
    EXPECT_EQ(RunLog::nameFor("runs.old/seq"), "runs.log");
}

TEST(RunLogName, LooksForTheDotOnlyUpToIndex1024)
{
    const std::string stem(1024, 's');
    EXPECT_EQ(RunLog::nameFor(stem + ".fas"), stem + ".log");
    EXPECT_EQ(RunLog::nameFor("a." + stem + ".fas"), "a.log");
    EXPECT_EQ(RunLog::nameFor(stem + "s.fas"), stem + "s.fas.log");
}

TEST(RunLogChannel, WritesTheFileFirstThenTheConsole)
{
    TempDir folder;
    const std::string logText = "Reading options...\n"
                                "Sequences read! - Time (s): 3\n"
                                "Mean: 0.5\n"
                                "Big: 1.23457e+06\n"
                                "Saving results to seq_Ri_0.800.csv\n";
    {
        RunLog log(folder.file("seq.fas"));
        testing::internal::CaptureStdout();
        logLine(log, "Reading options...");
        logValue(log, "Sequences read! - Time (s): ", 3.0);
        // Each line is flushed: the file has it before the console does.
        EXPECT_EQ(readFile(folder.file("seq.log")), "Reading options...\nSequences read! - Time (s): 3\n");
        logValue(log, "Mean: ", 0.5);
        logValue(log, "Big: ", 1234567.0);
        logPair(log, "Saving results to ", "seq_Ri_0.800.csv");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), logText);
    }
    EXPECT_EQ(readFile(folder.file("seq.log")), logText);
}

TEST(RunLogChannel, TruncatesAnEarlierLog)
{
    TempDir folder;
    testing_support::writeFile(folder.file("seq.log"), "old run\n");
    RunLog log(folder.file("seq.fas"));
    testing::internal::CaptureStdout();
    logLine(log, "new run");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(readFile(folder.file("seq.log")), "new run\n");
}

TEST(RunLogChannel, UncreatableLogStillReachesTheConsole)
{
    TempDir folder;
    RunLog log(folder.file("missing/seq.fas"));
    testing::internal::CaptureStdout();
    logLine(log, "still shown");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "still shown\n");
    EXPECT_FALSE(fileExists(folder.file("missing/seq.log")));
}

TEST(ErrorReport, ErrorLogHoldsOnlyTheLastError)
{
    TempDir folder;
    ScopedWorkingFolder inFolder(folder.path());
    testing::internal::CaptureStdout();
    EXPECT_THROW(reportError({"first error", "with two lines"}), FatalError);
    EXPECT_THROW(reportError({"second error"}), FatalError);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "first error\nwith two lines\nsecond error\n");
    EXPECT_EQ(readFile(folder.file("VarnoLog.txt")), "second error\n");

    // A caller that takes errors itself gets every line, and nothing is written.
    setErrorReporting(ErrorReporting::exceptionOnly);
    testing::internal::CaptureStdout();
    try {
        reportError({"third error", "its second line"});
        ADD_FAILURE() << "no FatalError";
    } catch (const FatalError& error) {
        EXPECT_EQ(error.lines(), (std::vector<std::string>{"third error", "its second line"}));
        EXPECT_STREQ(error.what(), "third error");
    }
    setErrorReporting(ErrorReporting::logAndConsole);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(readFile(folder.file("VarnoLog.txt")), "second error\n");
}
