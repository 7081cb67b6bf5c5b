// Runs over motifs given as count matrices, and over several motifs at once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestSupport.h"

using namespace testing_support;

namespace {

void copyInto(const std::string& from, const std::string& to)
{
    std::filesystem::create_directories(std::filesystem::path(to).parent_path());
    std::filesystem::copy_file(from, to);
}

// The lines of a table after its header, each with `prefix` before it.
std::string rowsWith(const std::string& table, const std::string& prefix)
{
    std::string rows;
    const std::vector<std::string> lines = splitLines(table);
    for (std::size_t i = 1; i < lines.size(); ++i)
        rows += prefix + lines[i] + '\n';
    return rows;
}

} // namespace

// A folder of a site list with settings of its own and a matrix file: one run
// writes, under each motif's name, the files that a run of each motif alone
// writes, and one table of both motifs' hits, in the order of the files' names.
TEST(Motifs, SeveralMotifsInOneRunWriteWhatSeparateRunsWrite)
{
    TempDir folder;
    copyInto(dataFile("sequences/NC_005816.gb"), folder.file("plasmid.gb"));
    copyInto(sourceFile("examples/lexa_sites.txt"), folder.file("motifs/lexa.txt"));
    copyInto(dataFile("motif/formats/MA0056.1.transfac"), folder.file("motifs/MA0056.1.transfac"));
    copyInto(sourceFile("examples/Options.txt"), folder.file("Options.txt"));
    // LexA's own settings: method 1, a literal cut-off, hits sorted by score.
    writeOptionsFile(folder.file("motifs/lexa.options.txt"),
                     {"1", "1", "0", "8", "350", "100", "1", "1", "1", "0", "-500", "-1", "1", "500", "1.5", "1"});

    const RunResult many = runVarno(
        folder.path(), {"--tsv", "--bed", "--regulon", "--outdir", "many", "plasmid.gb", "motifs", "Options.txt"});
    ASSERT_EQ(many.exitStatus, 0) << many.output;
    const RunResult lexa = runVarno(folder.path(), {"--tsv", "--bed", "--regulon", "--outdir", "lexa", "plasmid.gb",
                                                    "motifs/lexa.txt", "motifs/lexa.options.txt"});
    ASSERT_EQ(lexa.exitStatus, 0) << lexa.output;
    const RunResult mzf1 = runVarno(folder.path(), {"--tsv", "--bed", "--regulon", "--outdir", "mzf1", "plasmid.gb",
                                                    "motifs/MA0056.1.transfac", "Options.txt"});
    ASSERT_EQ(mzf1.exitStatus, 0) << mzf1.output;

    std::vector<std::string> expected{"plasmid.log", "plasmid_gene_log.csv", "plasmid_motifs.tsv",
                                      "plasmid_motifs_regulon.tsv", "plasmid_seq_log.txt"};
    for (const auto& [motif, alone] : {std::pair<std::string, std::string>{"lexa", "lexa"}, {"MZF1", "mzf1"}}) {
        for (const std::string& name : listFiles(folder.file(alone))) {
            if (name == "plasmid.log" || name.find(".tsv") != std::string::npos)
                continue;
            // The sequence logs are the run's, written once.
            const bool sequenceLog = name == "plasmid_gene_log.csv" || name == "plasmid_seq_log.txt";
            const std::string named =
                sequenceLog ? name : "plasmid_" + motif + name.substr(std::string("plasmid").size());
            if (!sequenceLog)
                expected.push_back(named);
            EXPECT_EQ(readFile(folder.file("many/" + named)), readFile(folder.file(alone + "/" + name))) << named;
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listFiles(folder.file("many")), expected);

    const std::string lexaTable = readFile(folder.file("lexa/plasmid_Ri_8.000.tsv"));
    const std::string mzf1Table = readFile(folder.file("mzf1/plasmid_Rsequence_Ri_0.800.tsv"));
    EXPECT_EQ(readFile(folder.file("many/plasmid_motifs.tsv")), "motif\t" + splitLines(lexaTable).front() + '\n'
                                                                    + rowsWith(mzf1Table, "MZF1\t")
                                                                    + rowsWith(lexaTable, "lexa\t"));
    const std::string lexaUnits = readFile(folder.file("lexa/plasmid_Ri_8.000_regulon.tsv"));
    const std::string mzf1Units = readFile(folder.file("mzf1/plasmid_Rsequence_Ri_0.800_regulon.tsv"));
    EXPECT_EQ(readFile(folder.file("many/plasmid_motifs_regulon.tsv")), "motif\t" + splitLines(lexaUnits).front() + '\n'
                                                                            + rowsWith(mzf1Units, "MZF1\t")
                                                                            + rowsWith(lexaUnits, "lexa\t"));
    EXPECT_NE(countOf(many.output, "Motif: MZF1"), 0u);
}

// Sites written out as a matrix and read back give the same model and, at
// the same literal cut-off, the same hits; two motifs of one name are refused.
TEST(Motifs, SitesWrittenAsAMatrixAndReadBackGiveTheSameModelAndHits)
{
    TempDir folder;
    copyInto(dataFile("sequences/NC_005816.gb"), folder.file("plasmid.gb"));
    copyInto(sourceFile("examples/lexa_sites.txt"), folder.file("lexa.txt"));
    const RunResult sites = runVarno(
        folder.path(), {"--cutoff", "4", "--motif-out", "transfac", "--outdir", "sites", "plasmid.gb", "lexa.txt"});
    ASSERT_EQ(sites.exitStatus, 0) << sites.output;
    const RunResult matrix =
        runVarno(folder.path(), {"--cutoff", "4", "--outdir", "matrix", "plasmid.gb", "sites/plasmid_lexa.transfac"});
    ASSERT_EQ(matrix.exitStatus, 0) << matrix.output;
    for (const char* name : {"plasmid_freq_table.csv", "plasmid_Rsequence_Ri_4.000.csv"})
        EXPECT_EQ(readFile(folder.file(std::string("matrix/") + name)),
                  readFile(folder.file(std::string("sites/") + name)))
            << name;
    EXPECT_EQ(readFile(folder.file("matrix/plasmid_site_collection_log.txt")),
              "Motif read as a matrix: lexa, 19 sites\n");

    // The written file beside a copy of itself in one folder: one name twice.
    copyInto(folder.file("sites/plasmid_lexa.transfac"), folder.file("twice/a.transfac"));
    copyInto(folder.file("sites/plasmid_lexa.transfac"), folder.file("twice/b.tf"));
    const RunResult twice = runVarno(folder.path(), {"--no-logs", "plasmid.gb", "twice"});
    EXPECT_EQ(twice.exitStatus, 1);
    EXPECT_NE(countOf(twice.output, "Two motifs are named lexa"), 0u) << twice.output;
}

// Biopython reads every sample format to the counts varno reads, and reads
// back every file varno writes (tests/driver/motif_formats.py).
TEST(Motifs, BiopythonReadsTheSamplesAndTheWrittenFilesAsVarnoDoes)
{
    // Debian's Python, which Debian's Biopython is installed for.
    if (std::system("/usr/bin/python3 -c 'import Bio.motifs' 2>/dev/null") != 0)
        GTEST_SKIP() << "needs Biopython for /usr/bin/python3, not installed (Debian package python3-biopython)";
    TempDir folder;
    const std::string command = "/usr/bin/python3 " + sourceFile("tests/driver/motif_formats.py") + " " + VARNO_BINARY
                              + " " + dataFile("motif/formats") + " " + dataFile("sequences/NC_005816.gb") + " "
                              + folder.path() + " > " + folder.file("report.txt") + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << readFile(folder.file("report.txt"));
}
