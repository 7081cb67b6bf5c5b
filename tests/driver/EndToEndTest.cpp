// Runs the built program on small inputs whose results were worked out by
// hand from the scoring rules, and compares every file it writes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "base/NumberText.h"
#include "base/RunLog.h"
#include "driver/AnalysisRun.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "sequences/SequenceSet.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// The options file values in order, with logs off and a literal cut-off.
std::vector<std::string> literalOptions(const std::string& method, const std::string& threshold,
                                        const std::string& sortByScore = "0", const std::string& merge = "1")
{
    return {"0", method, "0",    threshold, "350", "100", sortByScore, merge,
            "1", "0",    "-500", "-1",      "1",   "500", "1.5",       "1"};
}

// Elapsed times vary from run to run; the rest of a progress line does not.
std::string maskTimes(const std::string& text)
{
    return std::regex_replace(text, std::regex(R"(Time \(s\): \d+)"), "Time (s): T");
}

struct Scan {
    TempDir folder;
    RunResult result;

    Scan(const std::string& sequences, const std::string& sites, const std::vector<std::string>& options,
         const std::string& sequenceName = "seqs.fas")
    {
        writeFile(folder.file(sequenceName), sequences);
        writeFile(folder.file("sites.txt"), sites);
        writeOptionsFile(folder.file("Options.txt"), options);
        result = runVarno(folder.path(), {sequenceName, "sites.txt"});
    }

    std::string results(const std::string& name) const { return readFile(folder.file(name)); }

    // The hit rows of a results file: motif, strand and 1-based position.
    std::vector<std::string> hitRows(const std::string& name) const
    {
        std::vector<std::string> rows;
        for (const std::string& line : splitLines(results(name))) {
            std::smatch fields;
            if (std::regex_match(line, fields, std::regex(R"([^,]*,([^,]*),([01]),[^,]*,[^,]*,(\d+),.*)")))
                rows.push_back(fields[1].str() + " " + fields[2].str() + " " + fields[3].str());
        }
        return rows;
    }
};

} // namespace

TEST(EndToEnd, TwoSequencesGiveTheWorkedResultsFile)
{
    Scan scan(">one\nACGTT\n>two\nGGGG\n", "AC\nAG\n", literalOptions("1", "0"));
    ASSERT_EQ(scan.result.exitStatus, 0) << scan.result.output;
    EXPECT_EQ(scan.results("seqs_Ri_0.000.csv"), readFile(dataFile("e2e/two_sequences_Ri_0.000.csv")));
    EXPECT_EQ(listFiles(scan.folder.path()),
              (std::vector<std::string>{"Options.txt", "seqs.fas", "seqs.log", "seqs_Ri_0.000.csv", "sites.txt"}));
    EXPECT_EQ(scan.result.errors, "");
}

TEST(EndToEnd, RunLogAndConsoleCarryTheProgressLinesInOrder)
{
    Scan scan(">one\nACGTT\n>two\nGGGG\n", "AC\nAG\n", literalOptions("1", "0"));
    const std::string expected = "Setting options to default...\n"
                                 "Reading options...\n"
                                 "Options read!\n"
                                 "Reading sequences...\n"
                                 "Sequences read! - Time (s): T\n"
                                 "Reading site collection...\n"
                                 "Site collection read! - Time (s): T\n"
                                 " \n"
                                 "Analyzing sequence: 1\n"
                                 "Sorting results for sequence: 1\n"
                                 "one\n"
                                 "Sequence analyzed! - Time (s): T\n"
                                 " \n"
                                 "Analyzing sequence: 2\n"
                                 "Sorting results for sequence: 2\n"
                                 "two\n"
                                 "Sequence analyzed! - Time (s): T\n"
                                 " \n"
                                 "Saving results to seqs_Ri_0.000.csv\n";
    EXPECT_EQ(maskTimes(scan.results("seqs.log")), expected);
    EXPECT_EQ(maskTimes(scan.result.output), expected);
}

TEST(EndToEnd, MissingOptionsFileRunsOnDefaultsWithAWarning)
{
    TempDir folder;
    writeFile(folder.file("seqs.fas"), ">one\nACGTTACGTT\n");
    writeFile(folder.file("sites.txt"), "AC\nAG\n");
    const RunResult result = runVarno(folder.path(), {"seqs.fas", "sites.txt", "absent.txt"});
    EXPECT_EQ(result.exitStatus, 0);
    const std::vector<std::string> lines = splitLines(result.output);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Setting options to default...");
    EXPECT_EQ(lines[1], "Reading options...");
    EXPECT_EQ(lines[2], "Options file could not be opened");
    EXPECT_EQ(lines[3], "Setting options to default...");
    EXPECT_EQ(lines[4], "WARNING: options not read or read incorrectly. Running on default options.");
    EXPECT_EQ(lines[5], "Reading sequences...");
    EXPECT_TRUE(fileExists(folder.file("seqs_Rsequence_Ri_0.800.csv")));
}

TEST(EndToEnd, PalindromicSiteIsMergedUnlessMergingIsOff)
{
    // AT is its own reverse complement: found at 2 on the given strand and at
    // 2 + 2 on the reverse strand; equal scores keep the stored forward hit.
    Scan merged(">s\nCCATCC\n", "AT\n", literalOptions("1", "1"));
    EXPECT_EQ(merged.hitRows("seqs_Ri_1.000.csv"), (std::vector<std::string>{"AT 1 3"}));

    Scan both(">s\nCCATCC\n", "AT\n", literalOptions("1", "1", "0", "0"));
    EXPECT_EQ(both.hitRows("seqs_Ri_1.000.csv"), (std::vector<std::string>{"AT 1 3", "AT 0 5"}));
}

TEST(EndToEnd, NeighbouringSitesOnOppositeStrandsAreBothKept)
{
    // AA on the reverse strand over letters 0-1 (position 2) and AA on the
    // given strand at 4: different windows, so neither replaces the other.
    Scan scan(">s\nTTCCAACC\n", "AA\n", literalOptions("1", "1"));
    EXPECT_EQ(scan.hitRows("seqs_Ri_1.000.csv"), (std::vector<std::string>{"AA 0 3", "AA 1 5"}));
}

TEST(EndToEnd, SortByScoreFollowsEachMethodsSense)
{
    // Method 1 (higher is better): AA 0.415 at 0 and AG 1.415 at 1.
    Scan byPosition(">s\nAAGG\n", "AC\nAG\n", literalOptions("1", "0"));
    EXPECT_EQ(byPosition.hitRows("seqs_Ri_0.000.csv"), (std::vector<std::string>{"AA 1 1", "AG 1 2"}));
    Scan higherFirst(">s\nAAGG\n", "AC\nAG\n", literalOptions("1", "0", "1"));
    EXPECT_EQ(higherFirst.hitRows("seqs_Ri_0.000.csv"), (std::vector<std::string>{"AG 1 2", "AA 1 1"}));
    // Method 2 (lower is better): AG 0 and AA 0.693 pass a cut-off of 1.
    Scan lowerFirst(">s\nAAGG\n", "AC\nAG\n", literalOptions("2", "1", "1"));
    EXPECT_EQ(lowerFirst.hitRows("seqs_BvH HI_1.000.csv"), (std::vector<std::string>{"AG 1 2", "AA 1 1"}));
}

TEST(EndToEnd, MethodNameAndThresholdFormTheFileName)
{
    Scan literal(">s\nACGT\n", "AC\nAG\n", literalOptions("9", "2.5"));
    EXPECT_EQ(literal.result.exitStatus, 0);
    const std::vector<std::string> lines = splitLines(literal.results("seqs_Iseq_2.500.csv"));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Method,Iseq");
    EXPECT_EQ(lines.back(), "Cut-off,+2.500; - Literal");

    Scan negative(">s\nACGT\n", "AC\nAG\n", literalOptions("1", "-1"));
    EXPECT_EQ(splitLines(negative.results("seqs_Ri_-1.000.csv")).back(), "Cut-off,-1.000; - Literal");
}

TEST(EndToEnd, SequenceShorterThanTheMotifIsReportedAndListedWithoutHits)
{
    Scan scan(">short\nAC\n>long\nACGTACGTAC\n", "ACGT\n", literalOptions("1", "0"));
    ASSERT_EQ(scan.result.exitStatus, 0) << scan.result.output;
    const std::vector<std::string> lines = splitLines(scan.result.output);
    const auto warning = std::find(lines.begin(), lines.end(), "Analyzing sequence: 1");
    ASSERT_NE(warning, lines.end());
    EXPECT_EQ(*(warning + 1), "WARNING: sequence shorter than the motif, not scanned: short");
    EXPECT_EQ(*(warning + 2), "Sorting results for sequence: 1");
    const std::vector<std::string> results = splitLines(scan.results("seqs_Ri_0.000.csv"));
    EXPECT_EQ(results[0], "Sequence,short");
    EXPECT_EQ(results[3], "Sequence,long");
}

TEST(EndToEnd, UnwritableResultsFileIsAnErrorWithStatusOne)
{
    TempDir folder;
    writeFile(folder.file("seqs.fas"), ">s\nACGTACGT\n");
    writeFile(folder.file("sites.txt"), "AC\nAG\n");
    writeOptionsFile(folder.file("Options.txt"), literalOptions("1", "0"));
    std::filesystem::create_directory(folder.file("seqs_Ri_0.000.csv"));
    const RunResult result = runVarno(folder.path(), {"seqs.fas", "sites.txt"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(readFile(folder.file("VarnoLog.txt")), "Results file could not be written: seqs_Ri_0.000.csv\n");
    EXPECT_EQ(splitLines(result.output).back(), "Results file could not be written: seqs_Ri_0.000.csv");
}

TEST(EndToEnd, InputErrorsEndTheRunWithStatusOneAndNoResults)
{
    TempDir folder;
    writeFile(folder.file("seqs.fas"), ">s\nACGTACGT\n");
    writeFile(folder.file("sites.txt"), "ACG\nAG\n");
    const RunResult result = runVarno(folder.path(), {"seqs.fas", "sites.txt"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(readFile(folder.file("VarnoLog.txt")), "Incorrect collection file! - Different site lengths\n");
    EXPECT_EQ(listFiles(folder.path()),
              (std::vector<std::string>{"VarnoLog.txt", "seqs.fas", "seqs.log", "seqs_seq_log.txt", "sites.txt"}));
}

TEST(EndToEnd, IntegrationStampsMeansAndRescalesByTheChosenRatio)
{
    // Spans of two windows on each side (W = 5): the literal cut-off 0.5 is
    // divided by the factor 1.5, every centre window is tested by its own
    // score, and the kept scores are rescaled after both strands. The first
    // "Global score mean:," line comes before any hit row (6 digits), the
    // second after them (14 digits).
    for (const std::string& mode : std::vector<std::string>{"1", "2"}) {
        std::vector<std::string> options = literalOptions("1", "0.5");
        options[9] = "1";
        options[10] = "-2";
        options[11] = "-1";
        options[12] = "1";
        options[13] = "2";
        options[15] = mode;
        Scan scan(">one\nAACGTACA\n>two\nACACGTGA\n", "AC\nAG\n", options);
        ASSERT_EQ(scan.result.exitStatus, 0) << scan.result.output;
        EXPECT_EQ(scan.results("seqs_Ri_0.500.csv"),
                  readFile(dataFile("e2e/integration_mode" + mode + "_Ri_0.500.csv")))
            << "integration mode " << mode;
    }
}

TEST(EndToEnd, KnownLexABoxesOfTheExampleGenomeAreOperatorsOfTheirGenes)
{
    // The example scan: the real E. coli K-12 genome with its known LexA
    // boxes. Each box must come back at its own place, labelled as the
    // operator of the gene it regulates. A reverse-strand hit is reported at
    // its rightmost letter + 1.
    TempDir folder;
    for (const char* name : {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"})
        std::filesystem::copy_file(sourceFile(std::string("examples/") + name), folder.file(name));
    const RunResult result = runVarno(folder.path(), {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"});
    ASSERT_EQ(result.exitStatus, 0) << result.output;

    std::vector<std::string> operators;
    for (const std::string& line : splitLines(readFile(folder.file("ecoli_k12_Rsequence_Ri_0.800.csv")))) {
        std::smatch fields;
        if (std::regex_match(line, fields,
                             std::regex(R"([^,]*,([^,]*),([01]),[^,]*,Operator,(\d+),[01],\d+,\d+,[^,]*,([^,]*),.*)")))
            operators.push_back(fields[4].str() + " " + fields[3].str() + " " + fields[2].str() + " "
                                + fields[1].str());
    }
    for (const char* expected : {"recA 2823849 0 TACTGTATGAGCATACAGTA", "lexA 4257068 1 TGCTGTATATACTCACAGCA",
                                 "lexA 4257089 1 AACTGTATATACACCCAGGG", "umuD 1230728 1 TACTGTATATAAAAACAGTA",
                                 "sulA 1020962 0 TACTGTACATCCATACAGTA", "polB 65854 0 GACTGTATAAAACCACAGCC"}) {
        EXPECT_NE(std::find(operators.begin(), operators.end(), expected), operators.end()) << expected;
    }
}

TEST(EndToEnd, OneThreadAndTwoWriteTheSameFilesForTheExampleGenome)
{
    // The example scan with its logs, and a literal cut-off that keeps over
    // 200,000 hits, so that every step that can take a second thread does.
    const std::vector<std::vector<std::string>> optionSets = {
        {}, {"1", "5", "0", "0", "350", "100", "0", "1", "1", "0", "-500", "-1", "1", "500", "1.5", "1"}};
    for (const std::vector<std::string>& values : optionSets) {
        std::vector<std::string> files[2];
        for (int threads = 1; threads <= 2; ++threads) {
            TempDir folder;
            for (const char* name : {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"})
                std::filesystem::copy_file(sourceFile(std::string("examples/") + name), folder.file(name));
            if (!values.empty())
                writeOptionsFile(folder.file("Options.txt"), values);
            const RunResult result = runVarno(folder.path(), {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"},
                                              {"VARNO_THREADS=" + std::to_string(threads)});
            ASSERT_EQ(result.exitStatus, 0) << result.output;
            for (const std::string& name : listFiles(folder.path()))
                files[threads - 1].push_back(name + "\n" + maskTimes(readFile(folder.file(name))));
        }
        ASSERT_EQ(files[0].size(), 10u);
        EXPECT_TRUE(files[0] == files[1]) << "the files differ";
    }
}

TEST(EndToEnd, DiagnosticLogsLandBesideTheSequenceFileOnlyWhenAskedFor)
{
    TempDir folder;
    std::filesystem::create_directory(folder.file("data"));
    writeFile(folder.file("data/ecoli.fna"), ">one\nACGTTACGTAACG\n");
    writeFile(folder.file("sites.txt"), "AC\nAG\nAC\n");
    std::vector<std::string> options = literalOptions("1", "0");
    options[0] = "1";
    options[3] = "0.8";
    options[8] = "0";
    writeOptionsFile(folder.file("Options.txt"), options);
    ASSERT_EQ(runVarno(folder.path(), {"data/ecoli.fna", "sites.txt"}).exitStatus, 0);
    EXPECT_EQ(listFiles(folder.file("data")),
              (std::vector<std::string>{"ecoli.fna", "ecoli.log", "ecoli_Ri_0.800.csv", "ecoli__motif_score_log.csv",
                                        "ecoli_freq_table.csv", "ecoli_seq_log.txt", "ecoli_site_collection_log.txt"}));
    // Header, one row per site, empty line, threshold, empty line, cut-off.
    const std::vector<std::string> scoreLog = splitLines(readFile(folder.file("data/ecoli__motif_score_log.csv")));
    ASSERT_EQ(scoreLog.size(), 3u + 5u);
    EXPECT_EQ(scoreLog[0], "Motif;Score");
    EXPECT_EQ(scoreLog[1], "AC,1.97025"); // (2 + log2 4/7) + (2 + log2 3/7)
    EXPECT_EQ(scoreLog[5], "Threshold,0.8");
    EXPECT_EQ(scoreLog[7].rfind("Cut-off,", 0), 0u);

    // With the logs off, earlier logs of the same names stay as they were.
    for (const char* name :
         {"ecoli__motif_score_log.csv", "ecoli_freq_table.csv", "ecoli_seq_log.txt", "ecoli_site_collection_log.txt"})
        writeFile(folder.file(std::string("data/") + name), "earlier\n");
    options[0] = "0";
    writeOptionsFile(folder.file("Options.txt"), options);
    ASSERT_EQ(runVarno(folder.path(), {"data/ecoli.fna", "sites.txt"}).exitStatus, 0);
    for (const char* name :
         {"ecoli__motif_score_log.csv", "ecoli_freq_table.csv", "ecoli_seq_log.txt", "ecoli_site_collection_log.txt"})
        EXPECT_EQ(readFile(folder.file(std::string("data/") + name)), "earlier\n") << name;
}

TEST(EndToEnd, SmallRealGenBankRecordGetsItsGeneContext)
{
    // A real plasmid record (10 CDS, three of them on the complement strand)
    // scanned with four LexA boxes and a literal cut-off of 8. Checked by
    // hand: the hit at 512 lies 424 letters into YP_pPCP01 (87..1109), and the
    // hit at 9195 lies 834 letters upstream of complement(8088..8360), whose
    // start is 8360 on its own strand.
    TempDir folder;
    std::filesystem::copy_file(dataFile("sequences/NC_005816.gb"), folder.file("plasmid.gb"));
    std::filesystem::copy_file(dataFile("e2e/lexa_four_sites.txt"), folder.file("sites.txt"));
    std::vector<std::string> options = literalOptions("1", "8");
    writeOptionsFile(folder.file("Options.txt"), options);
    ASSERT_EQ(runVarno(folder.path(), {"plasmid.gb", "sites.txt"}).exitStatus, 0);
    EXPECT_EQ(readFile(folder.file("plasmid_Ri_8.000.csv")), readFile(dataFile("e2e/plasmid_Ri_8.000.csv")));
}

TEST(EndToEnd, FirstOfTwoRecordsGivesTheResultsOfItsOwnFile)
{
    // The plasmid record followed by a real mRNA record without CDS, as one
    // file under the name assemblies are downloaded with.
    TempDir folder;
    writeFile(folder.file("two.gbff"),
              readFile(dataFile("sequences/NC_005816.gb")) + readFile(dataFile("sequences/iro.gb")));
    std::filesystem::copy_file(dataFile("e2e/lexa_four_sites.txt"), folder.file("sites.txt"));
    writeOptionsFile(folder.file("Options.txt"), literalOptions("1", "8"));
    ASSERT_EQ(runVarno(folder.path(), {"two.gbff", "sites.txt"}).exitStatus, 0);
    const std::string alone = readFile(dataFile("e2e/plasmid_Ri_8.000.csv"));
    const std::string both = readFile(folder.file("two_Ri_8.000.csv"));
    const std::string firstSection = alone.substr(0, alone.find("\nSequences,"));
    EXPECT_EQ(both.substr(0, firstSection.size()), firstSection);
    EXPECT_NE(both.find("Sequence,Homo sapiens mRNA full length insert"), std::string::npos);
    EXPECT_NE(both.find("\nSequences,2\n"), std::string::npos);
}

TEST(EndToEnd, DraftAssemblyAsCompressedGenBankMatchesItsFastaTwin)
{
    // 75 records of a real draft genome, gzip-compressed, as GenBank and as
    // FASTA, with the known E. coli LexA sites: every record is scanned to the same hits, and each GenBank hit
    // is placed against a gene of its own record.
    std::string results[2];
    std::string geneLog;
    const char* names[2] = {"draft.gbk.gz", "draft.fa.gz"};
    for (int form = 0; form < 2; ++form) {
        TempDir folder;
        std::filesystem::copy_file(
            dataFile(form == 0 ? "sequences/Lkirschneri_draft.gbk.gz" : "sequences/Lkirschneri_draft.fa.gz"),
            folder.file(names[form]));
        // The sites come compressed too.
        std::filesystem::copy_file(dataFile("motif/ecoli_LexA.txt.gz"), folder.file("lexa.txt.gz"));
        std::filesystem::copy_file(sourceFile("examples/Options.txt"), folder.file("Options.txt"));
        const RunResult run = runVarno(folder.path(), {names[form], "lexa.txt.gz", "Options.txt"});
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        results[form] = readFile(folder.file("draft_Rsequence_Ri_0.800.csv"));
        if (form == 0)
            geneLog = readFile(folder.file("draft_gene_log.csv"));
    }
    // Score, letters, strand and position of every row, section by section.
    std::vector<std::string> hits[2];
    for (int form = 0; form < 2; ++form) {
        for (const std::string& line : splitLines(results[form])) {
            std::smatch fields;
            if (line.rfind("Sequence,", 0) == 0)
                hits[form].push_back("next record");
            else if (std::regex_match(line, fields, std::regex(R"(([^,]*,[^,]*,[01]),[^,]*,[^,]*,(\d+),.*)")))
                hits[form].push_back(fields[1].str() + " " + fields[2].str());
        }
    }
    EXPECT_EQ(std::count(hits[0].begin(), hits[0].end(), "next record"), 75);
    EXPECT_GT(hits[0].size(), 1000u);
    EXPECT_TRUE(hits[0] == hits[1]);

    // The gene log lists each record's genes, a block a record after a header
    // line; the gene tag is its fourth field and the results' tenth. A record
    // without genes gives its hits none.
    const auto field = [](const std::string& line, int index) {
        std::size_t at = 0;
        for (int skipped = 0; skipped < index; ++skipped)
            at = line.find(',', at) + 1;
        return line.substr(at, line.find(',', at) - at);
    };
    std::vector<std::string> tagsOfRecord(1, ",");
    for (const std::string& line : splitLines(geneLog)) {
        if (line == ";;;;,")
            tagsOfRecord.push_back(",");
        else
            tagsOfRecord.back() += field(line, 3) + ",";
    }
    int record = -1;
    for (const std::string& line : splitLines(results[0])) {
        if (line.rfind("Sequence,", 0) == 0)
            ++record;
        else if (record >= 0 && std::count(line.begin(), line.end(), ',') == 14 && line.rfind("Score,", 0) != 0) {
            const std::string& tags = tagsOfRecord[record];
            EXPECT_NE((tags == ",Locus," ? ",Unavailable," : tags).find("," + field(line, 9) + ","), std::string::npos)
                << "record " << record << ": " << line;
        }
    }
}
TEST(EndToEnd, RunsAtOnceInOneFolderAllWriteWholeFiles)
{
    // The example scan with its logs, started three times at once in one
    // folder: no run fails, and every file is the one a single run writes,
    // with the permissions a plain create gives. The run log is shared by the
    // runs, so only its presence is checked. A literal cut-off that keeps
    // over 200,000 hits makes the results file long in writing, so that the
    // runs write it at the same time.
    const auto exampleIn = [](const TempDir& folder) {
        for (const char* name : {"ecoli_k12.gbk", "lexa_sites.txt"})
            std::filesystem::copy_file(sourceFile(std::string("examples/") + name), folder.file(name));
        writeOptionsFile(folder.file("Options.txt"),
                         {"1", "5", "0", "0", "350", "100", "0", "1", "1", "0", "-500", "-1", "1", "500", "1.5", "1"});
    };
    const std::vector<std::string> arguments = {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"};
    TempDir single;
    exampleIn(single);
    ASSERT_EQ(runVarno(single.path(), arguments).exitStatus, 0);

    TempDir shared;
    exampleIn(shared);
    std::vector<StartedRun> runs;
    for (int run = 0; run < 3; ++run)
        runs.push_back(startVarno(shared.path(), arguments));
    for (const StartedRun& run : runs) {
        const RunResult result = finishRun(run);
        EXPECT_EQ(result.exitStatus, 0) << result.output;
    }

    ASSERT_EQ(listFiles(shared.path()), listFiles(single.path()));
    const mode_t mask = umask(0);
    umask(mask);
    for (const std::string& name : listFiles(single.path())) {
        if (name != "ecoli_k12.log") {
            EXPECT_TRUE(readFile(shared.file(name)) == readFile(single.file(name))) << name << " differs";
        }
        struct stat status {};
        ASSERT_EQ(stat(shared.file(name).c_str(), &status), 0);
        if (name.find(".csv") != std::string::npos || name.find("_log.txt") != std::string::npos) {
            EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask) << name;
        }
    }
}

// The example's options file and the same settings named: the same files.
// Named settings read no Options.txt unless it is named, and override it when
// it is; the run log says where they came from.
TEST(EndToEnd, NamedSettingsGiveTheFilesOfTheSameOptionsFile)
{
    const auto exampleRun = [](const std::vector<std::string>& arguments, const std::vector<std::string>& options) {
        TempDir folder;
        for (const char* name : {"ecoli_k12.gbk", "lexa_sites.txt"})
            std::filesystem::copy_file(sourceFile(std::string("examples/") + name), folder.file(name));
        writeOptionsFile(folder.file("Options.txt"), options);
        const RunResult result = runVarno(folder.path(), arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.output;
        std::map<std::string, std::string> files;
        for (const std::string& name : listFiles(folder.path()))
            if (name != "Options.txt")
                files[name] = maskTimes(readFile(folder.file(name)));
        return files;
    };
    const std::string log = "ecoli_k12.log";
    std::map<std::string, std::string> fromFile =
        exampleRun({"--tsv", "ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"}, literalOptions("1", "6.5", "1", "0"));
    ASSERT_EQ(fromFile.size(), 5u);
    // An Options.txt of other settings lies beside them, unread.
    std::map<std::string, std::string> named =
        exampleRun({"--tsv", "--method", "1", "--cutoff", "6.5", "--sort", "score", "--no-merge", "--no-logs",
                    "ecoli_k12.gbk", "lexa_sites.txt"},
                   literalOptions("5", "9", "0", "1"));
    EXPECT_EQ(std::regex_replace(named[log], std::regex("Options from the command line.\n"),
                                 "Reading options...\nOptions read!\n"),
              fromFile[log]);
    named.erase(log);
    // Named with the options file: they override its values.
    std::map<std::string, std::string> overridden =
        exampleRun({"--tsv", "--method", "1", "--cutoff", "6.5", "ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"},
                   literalOptions("5", "9", "1", "0"));
    EXPECT_NE(overridden[log].find("Options read!\nOptions from the command line.\n"), std::string::npos);
    overridden.erase(log);
    fromFile.erase(log);
    EXPECT_TRUE(named == fromFile);
    EXPECT_TRUE(overridden == fromFile);
}

// The scan as a library call, over a set and a motif built in memory, keeps
// the hits the program writes for the same inputs read from files; a scan
// of another motif with settings of its own over the same set before it
// changes nothing, as a run over several motifs needs.
TEST(EndToEnd, ScanOfInputsInMemoryKeepsTheHitsOfTheProgram)
{
    TempDir folder;
    std::filesystem::copy_file(dataFile("sequences/NC_005816.gb"), folder.file("plasmid.gb"));
    std::filesystem::copy_file(sourceFile("examples/lexa_sites.txt"), folder.file("sites.txt"));
    ASSERT_EQ(runVarno(folder.path(), {"--no-logs", "--cutoff", "5", "plasmid.gb", "sites.txt"}).exitStatus, 0);
    std::vector<std::string> written;
    for (const std::string& line : splitLines(readFile(folder.file("plasmid_Rsequence_Ri_5.000.csv")))) {
        std::smatch fields;
        if (std::regex_match(line, fields, std::regex(R"(([-0-9.e]+),[ACGTN]+,[01],.*)")))
            written.push_back(fields[1].str());
    }
    ASSERT_FALSE(written.empty());

    SequenceSet set;
    set.sequences = SequenceSet(folder.file("plasmid.gb")).sequences;
    std::vector<std::string> sites;
    for (const std::string& line : splitLines(readFile(folder.file("sites.txt"))))
        if (!line.empty())
            sites.push_back(line);
    SiteCollection collection = SiteCollection::fromSites(sites, set.sequences.front());
    Options options;
    options.writeLogs = false;
    options.literalCutoff = true;
    options.threshold = 5.0;
    RunLog log;
    testing::internal::CaptureStdout();
    std::vector<std::string> reversed = sites;
    for (std::string& site : reversed)
        std::reverse(site.begin(), site.end());
    SiteCollection other = SiteCollection::fromSites(reversed, set.sequences.front());
    Options otherOptions = options;
    otherOptions.methodCode = 1;
    otherOptions.threshold = -20.0;
    scanSet(set, other, otherOptions, ScanRequest{}, log, RunClock());
    const std::size_t otherHits = set.sequences.front().hits.size();
    scanSet(set, collection, options, ScanRequest{}, log, RunClock());
    testing::internal::GetCapturedStdout();
    EXPECT_GT(otherHits, written.size());
    std::vector<std::string> kept;
    for (const Hit& hit : set.sequences.front().hits) {
        char text[32];
        kept.emplace_back(text, putFourteenDigits(text, hit.score));
    }
    EXPECT_EQ(kept, written);
}
