// The regulon table of the example genome: what a user of the example scan
// gets with --regulon, and what a run without genes or p-values makes of it.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"

using namespace testing_support;

namespace {

const std::string regulonHeader = "seq_id\tlocus_tag\tgene\tproduct\tunit_locus_tags\tunit_genes\toperator_hits\t"
                                  "best_start\tbest_strand\tbest_score\tbest_p_value\tbest_e_value\tbest_q_value\t"
                                  "best_distance\tunit_p_value\tunit_e_value\n";

void copyExamples(const TempDir& folder, const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        std::filesystem::copy_file(sourceFile("examples/" + name), folder.file(name));
}

} // namespace

TEST(Regulon, ExampleGenomeGivesTheGoldenTableAndLeavesTheResultsAlone)
{
    TempDir folder;
    copyExamples(folder, {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"});
    const RunResult plain = runVarno(folder.path(), {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"});
    ASSERT_EQ(plain.exitStatus, 0) << plain.output;
    const std::string plainResults = readFile(folder.file("ecoli_k12_Rsequence_Ri_0.800.csv"));

    const RunResult result =
        runVarno(folder.path(), {"--regulon", "--outdir", "out", "ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_EQ(readFile(folder.file("out/ecoli_k12_Rsequence_Ri_0.800.csv")), plainResults);
    EXPECT_EQ(readFile(folder.file("out/ecoli_k12_Rsequence_Ri_0.800_regulon.tsv")),
              readFile(dataFile("e2e/ecoli_k12_Rsequence_Ri_0.800_regulon.tsv")));
}

// A made record: a LexA site before t1, then genes 50, 49 and 51 letters
// apart on the same strand. The unit runs from t1 through every gap of at most
// --operon-gap letters and stops at the first longer one.
TEST(Regulon, UnitJoinsGenesUpToTheOperonGap)
{
    TempDir folder;
    copyExamples(folder, {"lexa_sites.txt", "Options.txt"});
    std::string bases(2000, 'A');
    std::uint32_t state = 12345;
    for (char& letter : bases) {
        state = state * 1103515245u + 12345u;
        letter = "ACGT"[(state >> 16) & 3];
    }
    bases.replace(199, 20, "TACTGTATATAAAAACAGTA");
    std::string record = "LOCUS       HAND1    2000 bp    DNA     circular\nDEFINITION  made for the unit rule\n"
                         "VERSION     HAND1.1\nFEATURES             Location/Qualifiers\n";
    const std::vector<std::pair<std::string, std::string>> genes = {
        {"301..600", "t1"}, {"651..900", "t2"}, {"950..1200", "t3"}, {"1252..1500", "t4"}};
    for (const auto& [location, tag] : genes)
        record += "     CDS             " + location + "\n                     /locus_tag=\"" + tag + "\"\n";
    record += "ORIGIN\n";
    // The usual layout: a position number, then blocks of ten letters.
    for (std::size_t from = 0; from < bases.size(); from += 60) {
        const std::string number = std::to_string(from + 1);
        record += std::string(9 - number.size(), ' ') + number;
        for (std::size_t block = from; block < from + 60 && block < bases.size(); block += 10)
            record += " " + bases.substr(block, 10);
        record += "\n";
    }
    writeFile(folder.file("hand.gb"), record + "//\n");

    const auto unitOfT1 = [&](const std::string& gap) {
        const RunResult run =
            runVarno(folder.path(), {"--regulon", "--operon-gap", gap, "hand.gb", "lexa_sites.txt", "Options.txt"});
        EXPECT_EQ(run.exitStatus, 0) << run.output;
        std::istringstream table(readFile(folder.file("hand_Rsequence_Ri_0.800_regulon.tsv")));
        for (std::string line; std::getline(table, line);)
            if (line.rfind("HAND1.1\tt1\t", 0) == 0) {
                std::vector<std::string> cells;
                std::istringstream row(line);
                for (std::string cell; std::getline(row, cell, '\t');)
                    cells.push_back(cell);
                return cells.at(4);
            }
        return std::string("no row for t1");
    };
    EXPECT_EQ(unitOfT1("50"), "t1,t2,t3");
    EXPECT_EQ(unitOfT1("51"), "t1,t2,t3,t4");
    EXPECT_EQ(unitOfT1("49"), "t1");
}

TEST(Regulon, FastaHasNoGenesAndIntegrationNoPValues)
{
    TempDir folder;
    copyExamples(folder, {"ecoli_k12.fna", "lexa_sites.txt", "Options.txt"});
    const RunResult fasta = runVarno(folder.path(), {"--regulon", "ecoli_k12.fna", "lexa_sites.txt", "Options.txt"});
    ASSERT_EQ(fasta.exitStatus, 0) << fasta.output;
    EXPECT_EQ(readFile(folder.file("ecoli_k12_Rsequence_Ri_0.800_regulon.tsv")), regulonHeader);

    // The example's settings with integration on (value 10).
    writeOptionsFile(folder.file("integration.txt"),
                     {"0", "5", "0", "0.8", "350", "100", "0", "1", "0", "1", "-500", "-1", "1", "500", "1.5", "1"});
    const RunResult integrated =
        runVarno(folder.path(), {"--regulon", "ecoli_k12.fna", "lexa_sites.txt", "integration.txt"});
    EXPECT_EQ(integrated.exitStatus, 1);
    EXPECT_NE(integrated.output.find("ERROR: The regulon table (--regulon) selects hits by their p-values"),
              std::string::npos)
        << integrated.output;
}
