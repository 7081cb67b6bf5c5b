#include "results/ResultsFile.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "options/Options.h"
#include "sequences/Hit.h"
#include "sequences/Sequence.h"
#include "sequences/SequenceSet.h"
#include "support/TestSupport.h"

using testing_support::listFiles;
using testing_support::readFile;
using testing_support::ScopedWorkingFolder;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const char* const headerLine = "Score,Motif,Strand,Distance,Type,Abs. position,Gene strand,Start,End,Gene tag,Gene,"
                               "Product,Local Mean,Up Mean,Dw Mean\n";

// The gene annotatedReverseHit() is placed against, the first of its sequence's.
Gene leaderGene()
{
    return {52, 300, true, "b0001", "thrL", "leader peptide", nullptr};
}

// One hit's row, as the hit table writes it, in a sequence whose first gene is leaderGene().
// The letters of the first sequence of twoSequenceSet, which the rows below
// read their windows from.
const char* const firstLetters = "ACGTACGTAC";

// The means of annotatedReverseHit, a hit of a run under integration.
const WindowMeans annotatedMeans{2.0 / 3.0, 0.1, -1e-20};

std::string rowOf(const Hit& hit, const WindowMeans& means = WindowMeans())
{
    Sequence sequence;
    sequence.bases = firstLetters;
    sequence.genes = {leaderGene()};
    sequence.hits = {hit};
    sequence.hitMeans = {means};
    std::ostringstream table;
    writeHitTable(sequence, table);
    EXPECT_EQ(table.precision(), 14);
    return table.str().substr(std::string(headerLine).size());
}

// A set of two FASTA sequences named "seq one" and "seq, two", stem <folder>/run.
SequenceSet twoSequenceSet(const TempDir& folder)
{
    writeFile(folder.file("run.fna"), ">seq one\nACGTACGTAC\n>seq, two\nACGT\n");
    return SequenceSet(folder.file("run.fna"));
}

Hit unannotatedHit(double score, std::uint32_t position)
{
    Hit hit(10);
    hit.forward = true;
    hit.score = score;
    hit.position = position;
    return hit;
}

Hit annotatedReverseHit()
{
    Hit hit(10);
    hit.forward = false;
    hit.score = 1.0 / 3.0;
    hit.position = 9;
    hit.distance = -42;
    hit.context = HitContext::Operator;
    hit.geneIndex = 0;
    return hit;
}

// The text after the last hit table: the empty line and the summary.
std::string summaryOf(const std::string& content)
{
    return content.substr(content.find("\n\n") + 2);
}

} // namespace

TEST(ResultsFileName, StemMethodAndThresholdWithThreeDecimals)
{
    TempDir folder;
    const SequenceSet set = twoSequenceSet(folder);
    Options options;
    EXPECT_EQ(resultsFileName(set, options), folder.file("run_Rsequence_Ri_0.800.csv"));
    options.threshold = 2.5;
    options.methodCode = 1;
    EXPECT_EQ(resultsFileName(set, options), folder.file("run_Ri_2.500.csv"));
    options.threshold = -1;
    options.methodCode = 12;
    EXPECT_EQ(resultsFileName(set, options), folder.file("run_???_-1.000.csv"));
}

TEST(ResultsFile, WritesHeadingsRowsAndSummary)
{
    TempDir folder;
    SequenceSet set = twoSequenceSet(folder);
    set.sequences[0].globalScoreMean = 1.0 / 3.0;
    set.sequences[0].aprioriEntropy = 1.95443390995;
    set.sequences[0].genes = {leaderGene()};
    set.sequences[0].hits = {unannotatedHit(12.5, 0), annotatedReverseHit()};
    set.sequences[0].hitMeans = {WindowMeans(), annotatedMeans};
    set.sequences[1].globalScoreMean = 1.0 / 3.0;
    set.sequences[1].aprioriEntropy = 0.5;
    Options options;
    options.cutoff = 5.1234;

    writeResults(set, options);

    const std::string expected = std::string("Sequence,seq one\n"
                                             "Global score mean:,0.333333\n")
                               + headerLine
                               + "12.5,ACGTACGTAC,1,0,Unknown,1,0,0,0,Unavailable,Unavailable,Unavailable,0,0,0\n"
                                 "0.33333333333333,TACGTACGTG,0,-42,Operator,10,1,52,300,b0001,thrL,leader peptide,"
                                 "0.66666666666667,0.1,-1e-20\n"
                                 "Sequence,seq, two\n"
                                 "Global score mean:,0.33333333333333\n"
                               + headerLine
                               + "\n"
                                 "Sequences,2\n"
                                 "Sites,2\n"
                                 "A priori H,1.954\n"
                                 "Method,Rsequence_Ri\n"
                                 "Cut-off,+5.123; - Computed\n";
    EXPECT_EQ(readFile(folder.file("run_Rsequence_Ri_0.800.csv")), expected);
    EXPECT_EQ(listFiles(folder.path()), (std::vector<std::string>{"run.fna", "run_Rsequence_Ri_0.800.csv"}));
}

TEST(ResultsFile, GlobalMeanKeepsSixDigitsUntilTheFirstHitRow)
{
    TempDir folder;
    SequenceSet set = twoSequenceSet(folder);
    set.sequences[0].globalScoreMean = 2.0 / 3.0;
    set.sequences[1].globalScoreMean = 2.0 / 3.0;
    set.sequences[1].hits = {unannotatedHit(3.0, 4)};
    writeResults(set, Options());

    const std::string content = readFile(folder.file("run_Rsequence_Ri_0.800.csv"));
    const std::string secondHeading = "Sequence,seq, two\nGlobal score mean:,0.666667\n";
    EXPECT_NE(content.find(secondHeading), std::string::npos) << content;
    EXPECT_EQ(summaryOf(content), "Sequences,2\nSites,1\nA priori H,2.000\nMethod,Rsequence_Ri\n"
                                  "Cut-off,+0.000; - Computed\n");
}

TEST(ResultsFile, CutoffCarriesItsSignAndOrigin)
{
    TempDir folder;
    SequenceSet set = twoSequenceSet(folder);
    Options options;
    options.methodCode = 0;
    options.cutoff = -0.25;
    options.literalCutoff = true;
    writeResults(set, options);
    const std::string content = readFile(folder.file("run_???_0.800.csv"));
    EXPECT_EQ(summaryOf(content), "Sequences,2\nSites,0\nA priori H,2.000\nMethod,???\nCut-off,-0.250; - Literal\n");
}

TEST(ResultsFile, HitRowPrintsFourteenDigitsAndOneBasedPosition)
{
    const Hit hit = unannotatedHit(1e15, 4294967295u);
    EXPECT_EQ(rowOf(hit, {0.0, 100, 123456.789012345678}),
              "1e+15,CGTACACGTA,1,0,Unknown,4294967296,0,0,0,Unavailable,Unavailable,Unavailable,0,100,"
              "123456.78901235\n");
}

TEST(ResultsFile, ReplacesAnEarlierFile)
{
    TempDir folder;
    SequenceSet set = twoSequenceSet(folder);
    const std::string name = folder.file("run_Rsequence_Ri_0.800.csv");
    writeFile(name, "an earlier and much longer results file\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n");
    writeResults(set, Options());
    EXPECT_EQ(readFile(name).substr(0, 17), "Sequence,seq one\n");
    EXPECT_EQ(readFile(name).find("earlier"), std::string::npos);
}

TEST(ResultsFile, UnwritableNameIsAFatalErrorAndLeavesNoTemporaryFile)
{
    TempDir folder;
    ScopedWorkingFolder working(folder.path());
    SequenceSet set = twoSequenceSet(folder);
    const std::string name = folder.file("run_Rsequence_Ri_0.800.csv");
    ASSERT_TRUE(std::filesystem::create_directory(name));

    testing::internal::CaptureStdout();
    EXPECT_THROW(writeResults(set, Options()), FatalError);
    const std::string console = testing::internal::GetCapturedStdout();

    const std::string message = "Results file could not be written: " + name + "\n";
    EXPECT_EQ(readFile(folder.file("VarnoLog.txt")), message);
    EXPECT_EQ(console, message);
    EXPECT_EQ(listFiles(folder.path()), (std::vector<std::string>{"VarnoLog.txt", "run.fna"}));
}

TEST(ResultsFile, FailedWriteKeepsTheEarlierFile)
{
    TempDir folder;
    ScopedWorkingFolder working(folder.path());
    SequenceSet set = twoSequenceSet(folder);
    const std::string name = folder.file("run_Rsequence_Ri_0.800.csv");
    writeFile(name, "earlier results\n");

    // A file-size limit fails the write part way, as a full disk would; the
    // message and the captured console stay below it.
    testing::internal::CaptureStdout();
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const rlimit small{200, previous.rlim_max};
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(writeResults(set, Options()), FatalError);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    testing::internal::GetCapturedStdout();

    EXPECT_EQ(readFile(name), "earlier results\n");
    EXPECT_EQ(listFiles(folder.path()),
              (std::vector<std::string>{"VarnoLog.txt", "run.fna", "run_Rsequence_Ri_0.800.csv"}));
    EXPECT_EQ(readFile(folder.file("VarnoLog.txt")), "Results file could not be written: " + name + "\n");
}

TEST(ResultsFile, HitRowNumbersMatchTheStreamAtPrecisionFourteen)
{
    // The row is formatted by hand; every number must still read exactly as
    // the stream would print it, whatever its magnitude or kind.
    const double values[] = {0.0,
                             -0.0,
                             12.5,
                             1.0 / 3.0,
                             -2.0 / 3.0,
                             1e-300,
                             4.9e-324,
                             1.7976931348623157e308,
                             123456789012345.0,
                             1e14,
                             99999999999999.5,
                             0.0001,
                             0.00001,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             -std::numeric_limits<double>::quiet_NaN()};
    for (const double value : values) {
        Hit hit(4);
        hit.score = value;
        const WindowMeans means{-value, value / 7.0, value * 3.0};
        hit.distance = -2147483647 - 1;
        hit.position = 4294967295u;
        std::ostringstream stream;
        stream.precision(14);
        stream << hit.score << ",TACG," << 0 << ',' << hit.distance << ",Unknown," << std::uint64_t{hit.position} + 1
               << ",0,0,0,Unavailable,Unavailable,Unavailable," << means.local << ',' << means.up << ',' << means.down
               << '\n';
        EXPECT_EQ(rowOf(hit, means), stream.str()) << value;
    }
}

TEST(ResultsFile, LargeHitTableIsTheRowsInOrder)
{
    // Enough rows for several blocks, each formatted in two halves.
    Sequence sequence;
    sequence.bases = firstLetters;
    sequence.genes = {leaderGene()};
    std::string expected = headerLine;
    for (std::uint32_t index = 0; index < 20000; ++index) {
        const bool annotated = index % 3 == 0;
        Hit hit = annotated ? annotatedReverseHit() : unannotatedHit(index / 7.0, index);
        hit.score += index;
        sequence.hits.push_back(hit);
        sequence.hitMeans.push_back(annotated ? annotatedMeans : WindowMeans());
        expected += rowOf(hit, sequence.hitMeans.back());
    }
    std::ostringstream table;
    writeHitTable(sequence, table);
    EXPECT_EQ(table.str(), expected);
    EXPECT_EQ(table.precision(), 14);
}
