#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "driver/Arguments.h"
#include "support/TestSupport.h"

using testing_support::fileExists;
using testing_support::readFile;
using testing_support::runVarno;
using testing_support::ScopedWorkingFolder;
using testing_support::TempDir;

namespace {

const std::string parameterError = "ERROR: Incorrect parameter number.\n"
                                   "Must provide sequence, motif (and option file names). Type Varno /? for help.\n";

const std::string rule(76, '-');
const std::string helpScreen = "VARNO Motif Finder v1.0\n" + rule
                             + "\n"
                               "MANDATORY command line arguments:\n"
                               "1 - Sequence file name: name of the FASTA or GENBANK file to be processed\n"
                               "    Must contain name and extension (FAS/FNA for FASTA, GBK/GB for GenBank\n"
                               "2 - Motif file name: name of the bare or mFASTA file to be processed\n"
                               "    Must contain name and extension (TXT for bare files, FAS/FNA for mFASTA)\n"
                               "File names should contain full or relative paths if file not in working folder\n"
                             + rule
                             + "\n"
                               "OPTIONAL command line arguments:\n"
                               "3 - Options file name\n"
                             + rule
                             + "\n"
                               "All other parameters are set in the options file to be read\n"
                               "Check documentation for these parameters\n"
                             + rule
                             + "\n"
                               "Sample command line: calls program with command line arguments\n"
                               "-----|input_file|motif_file|options_file----\n"
                               "varno seq.fas    mot.txt    options.txt\n";

std::optional<RunArguments> parse(const std::vector<const char*>& arguments)
{
    std::vector<const char*> argv = {"varno"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return parseArguments(static_cast<int>(argv.size()), argv.data());
}

} // namespace

TEST(Arguments, TwoNamesTakeTheDefaultOptionsFile)
{
    const std::optional<RunArguments> arguments = parse({"data/seq.fas", "mot.txt"});
    ASSERT_TRUE(arguments);
    EXPECT_EQ(arguments->sequenceFile, "data/seq.fas");
    EXPECT_EQ(arguments->motifFile, "mot.txt");
    EXPECT_EQ(arguments->optionsFile, "Options.txt");
}

TEST(Arguments, ThirdNameIsTheOptionsFileAndLaterOnesAreIgnored)
{
    std::optional<RunArguments> arguments = parse({"seq.fas", "mot.txt", "my options.txt"});
    ASSERT_TRUE(arguments);
    EXPECT_EQ(arguments->optionsFile, "my options.txt");

    arguments = parse({"seq.fas", "mot.txt", "opt.txt", "extra", "more"});
    ASSERT_TRUE(arguments);
    EXPECT_EQ(arguments->sequenceFile, "seq.fas");
    EXPECT_EQ(arguments->motifFile, "mot.txt");
    EXPECT_EQ(arguments->optionsFile, "opt.txt");
}

TEST(Arguments, WrongCountIsReportedInTheErrorLogAndOnTheConsole)
{
    const std::vector<std::vector<const char*>> wrongCounts = {{}, {"/??"}, {"seq.fas"}, {"/"}};
    for (const std::vector<const char*>& arguments : wrongCounts) {
        TempDir folder;
        ScopedWorkingFolder inFolder(folder.path());
        testing::internal::CaptureStdout();
        EXPECT_THROW(parse(arguments), FatalError);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), parameterError);
        EXPECT_EQ(readFile(folder.file("VarnoLog.txt")), parameterError);
    }
}

TEST(Arguments, HelpRequestShowsTheScreenAndStartsNoRun)
{
    TempDir folder;
    ScopedWorkingFolder inFolder(folder.path());
    testing::internal::CaptureStdout();
    EXPECT_FALSE(parse({"/?"}));
    // Captured output is no terminal: no clearing sequence before the text.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), helpScreen);
    EXPECT_FALSE(fileExists(folder.file("VarnoLog.txt")));
}

TEST(ArgumentsCommandLine, HelpExitsWithZeroAndWritesNoFile)
{
    TempDir folder;
    const testing_support::RunResult result = runVarno(folder.path(), {"/?"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, helpScreen);
    EXPECT_EQ(result.errors, "");
    EXPECT_TRUE(testing_support::listFiles(folder.path()).empty());
}

TEST(ArgumentsCommandLine, WrongCountExitsWithOneAndWritesOnlyTheErrorLog)
{
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{{}, {"/??"}, {"seq.fas"}}) {
        TempDir folder;
        const testing_support::RunResult result = runVarno(folder.path(), arguments);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.output, parameterError);
        EXPECT_EQ(result.errors, "");
        EXPECT_EQ(testing_support::listFiles(folder.path()), std::vector<std::string>{"VarnoLog.txt"});
        EXPECT_EQ(readFile(folder.file("VarnoLog.txt")), parameterError);
    }
}

TEST(Arguments, OptionsStandAnywhereAndDoubleDashEndsThem)
{
    const std::optional<RunArguments> arguments =
        parse({"--tsv", "seq.fas", "--outdir", "out", "mot.txt", "--gff3", "--", "-opts.txt", "--bed"});
    ASSERT_TRUE(arguments);
    EXPECT_EQ(arguments->sequenceFile, "seq.fas");
    EXPECT_EQ(arguments->motifFile, "mot.txt");
    EXPECT_EQ(arguments->optionsFile, "-opts.txt");
    EXPECT_EQ(arguments->outputFolder, "out");
    EXPECT_TRUE(arguments->writeTsv && arguments->writeGff3);
    EXPECT_FALSE(arguments->writeBed);
    EXPECT_EQ(parse({"seq.fas", "--outdir=a b", "mot.txt"})->outputFolder, "a b");
    EXPECT_EQ(arguments->operonGap, 50u);
    EXPECT_EQ(parse({"seq.fas", "--operon-gap", "0", "mot.txt"})->operonGap, 0u);
}

TEST(ArgumentsCommandLine, BadOptionsExitWithOneThroughTheErrorReport)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--nope", "seq.fas", "mot.txt"}, "ERROR: Unknown option: --nope\n"},
        {{"seq.fas", "mot.txt", "-"}, "ERROR: Unknown option: -\n"},
        {{"seq.fas", "mot.txt", "--outdir"}, "ERROR: Option --outdir needs a folder name.\n"},
        {{"seq.fas", "mot.txt", "--outdir="}, "ERROR: Option --outdir needs a folder name.\n"},
        {{"seq.fas", "mot.txt", "--operon-gap"}, "ERROR: Option --operon-gap needs a number of letters.\n"},
        {{"--operon-gap", "-1", "seq.fas", "mot.txt"},
         "ERROR: Option --operon-gap takes a whole number of letters, 0 or more: -1\n"},
        {{"--operon-gap=fifty", "seq.fas", "mot.txt"},
         "ERROR: Option --operon-gap takes a whole number of letters, 0 or more: fifty\n"},
        {{"--operon-gap=5e1", "seq.fas", "mot.txt"},
         "ERROR: Option --operon-gap takes a whole number of letters, 0 or more: 5e1\n"},
        {{"seq.fas", "mot.txt", "--max-q"}, "ERROR: Option --max-q needs a q-value.\n"},
        {{"--max-p=", "seq.fas", "mot.txt"}, "ERROR: Option --max-p needs a p-value.\n"},
        {{"--max-p", "0", "seq.fas", "mot.txt"}, "ERROR: Option --max-p takes a number above 0 and at most 1: 0\n"},
        {{"--max-q=1.5", "seq.fas", "mot.txt"}, "ERROR: Option --max-q takes a number above 0 and at most 1: 1.5\n"},
        {{"--max-e", "-2", "seq.fas", "mot.txt"}, "ERROR: Option --max-e takes a number above 0: -2\n"},
        {{"--max-e=nan", "seq.fas", "mot.txt"}, "ERROR: Option --max-e takes a number above 0: nan\n"},
        {{"--max-q", "5%", "seq.fas", "mot.txt"}, "ERROR: Option --max-q takes a number above 0 and at most 1: 5%\n"},
        // The named settings of the options file, each checked as it is read.
        {{"--method", "12", "seq.fas", "mot.txt"}, "ERROR: Option --method takes a method number from 1 to 11: 12\n"},
        {{"--threshold=0,8", "seq.fas", "mot.txt"},
         "ERROR: Option --threshold takes a share above 0 and below 1: 0,8\n"},
        {{"--threshold", "1", "seq.fas", "mot.txt"},
         "ERROR: Option --threshold takes a share above 0 and below 1: 1\n"},
        {{"--cutoff", "abc", "seq.fas", "mot.txt"}, "ERROR: Option --cutoff takes a score: abc\n"},
        {{"--threshold", "0.7", "--cutoff", "3", "seq.fas", "mot.txt"},
         "ERROR: Options --threshold and --cutoff both set the cut-off: give one of them.\n"},
        {{"--upstream", "-1", "seq.fas", "mot.txt"},
         "ERROR: Option --upstream takes a number of letters, 0 or more: -1\n"},
        {{"--background", "genome", "seq.fas", "mot.txt"},
         "ERROR: Option --background takes uniform or sequence: genome\n"},
        {{"--sort=size", "seq.fas", "mot.txt"}, "ERROR: Option --sort takes position or score: size\n"},
        {{"--integration", "4", "seq.fas", "mot.txt"},
         "ERROR: Option --integration takes off or a ratio mode from 1 to 3: 4\n"},
        {{"--upstream-mean", "-5", "seq.fas", "mot.txt"},
         "ERROR: Option --upstream-mean takes an interval of windows, START:END: -5\n"},
        {{"--cutoff-factor", "0", "seq.fas", "mot.txt"}, "ERROR: Option --cutoff-factor takes a factor above 0: 0\n"},
        {{"--no-logs=1", "seq.fas", "mot.txt"}, "ERROR: Option --no-logs takes no value: --no-logs=1\n"},
        {{"seq.fas", "mot.txt", "--downstream"}, "ERROR: Option --downstream needs a value.\n"},
    };
    for (const auto& [arguments, message] : cases) {
        TempDir folder;
        const testing_support::RunResult result = runVarno(folder.path(), arguments);
        const std::string expected = message + "Type varno --help for the options.\n";
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.output, expected);
        EXPECT_EQ(testing_support::listFiles(folder.path()), std::vector<std::string>{"VarnoLog.txt"});
        EXPECT_EQ(readFile(folder.file("VarnoLog.txt")), expected);
    }
}

TEST(ArgumentsCommandLine, HelpAddsTheOptionsAndVersionNamesTheRelease)
{
    TempDir folder;
    const testing_support::RunResult help = runVarno(folder.path(), {"seq.fas", "--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.output.rfind("Usage: varno [OPTION]... SEQUENCE_FILE MOTIF_FILE [OPTIONS_FILE]\n", 0), 0u);
    for (const char* line : {"\n  --outdir DIR  ", "\n  --method N    ", "\n  16  integration ratio"})
        EXPECT_NE(help.output.find(line), std::string::npos) << line;
    EXPECT_EQ(std::count(help.output.begin(), help.output.end(), '('),
              std::count(help.output.begin(), help.output.end(), ')'));
    const testing_support::RunResult version = runVarno(folder.path(), {"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_TRUE(std::regex_match(version.output, std::regex("varno [0-9]+\\.[0-9]+\\.[0-9]+\n")));
    EXPECT_TRUE(testing_support::listFiles(folder.path()).empty());
}
