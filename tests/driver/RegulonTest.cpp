// The regulon table of the example genome: what a user of the example scan
// gets with --regulon, and what a run without genes or p-values makes of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
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
