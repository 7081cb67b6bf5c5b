// The files for other tools on the example genome: what a user of the
// example scan gets with --tsv --bed --gff3 --outdir.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// The first `count` lines of a text, and every '#' line before them.
std::string headAndFirstLines(const std::string& text, std::size_t count)
{
    std::string head;
    for (const std::string& line : splitLines(text)) {
        const bool comment = !line.empty() && line[0] == '#';
        if (!comment && count-- == 0)
            break;
        head += line + '\n';
    }
    return head;
}

} // namespace

TEST(HitTracks, ExampleGenomeGivesTheGoldenTracksInTheOutputFolderAlone)
{
    TempDir folder;
    std::filesystem::create_directory(folder.file("genome"));
    for (const char* name : {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"})
        std::filesystem::copy_file(sourceFile(std::string("examples/") + name),
                                   folder.file(std::string("genome/") + name));
    const RunResult plain =
        runVarno(folder.path(), {"genome/ecoli_k12.gbk", "genome/lexa_sites.txt", "genome/Options.txt"});
    ASSERT_EQ(plain.exitStatus, 0) << plain.output;
    const std::string plainResults = readFile(folder.file("genome/ecoli_k12_Rsequence_Ri_0.800.csv"));
    const std::vector<std::string> genomeFolder = listFiles(folder.file("genome"));

    const RunResult result = runVarno(folder.path(), {"--tsv", "genome/ecoli_k12.gbk", "--bed", "--outdir", "new/out",
                                                      "genome/lexa_sites.txt", "--gff3", "genome/Options.txt"});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_EQ(listFiles(folder.file("genome")), genomeFolder);
    EXPECT_EQ(listFiles(folder.file("new/out")),
              (std::vector<std::string>{"ecoli_k12.log", "ecoli_k12_Rsequence_Ri_0.800.bed",
                                        "ecoli_k12_Rsequence_Ri_0.800.csv", "ecoli_k12_Rsequence_Ri_0.800.gff3",
                                        "ecoli_k12_Rsequence_Ri_0.800.tsv", "ecoli_k12__motif_score_log.csv",
                                        "ecoli_k12_freq_table.csv", "ecoli_k12_gene_log.csv", "ecoli_k12_seq_log.txt",
                                        "ecoli_k12_site_collection_log.txt"}));
    EXPECT_EQ(readFile(folder.file("new/out/ecoli_k12_Rsequence_Ri_0.800.csv")), plainResults);

    // The first 20 hits, after the table's header line and the GFF3 region line.
    for (const auto& [extension, lines] : {std::pair{".tsv", 21}, {".bed", 20}, {".gff3", 21}}) {
        const std::string name = std::string("ecoli_k12_Rsequence_Ri_0.800") + extension;
        EXPECT_EQ(headAndFirstLines(readFile(folder.file("new/out/" + name)), lines),
                  readFile(sourceFile("tests/data/e2e/" + name + ".head")))
            << name;
    }

    // The known LexA boxes stand far above chance.
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : splitLines(readFile(folder.file("new/out/ecoli_k12_Rsequence_Ri_0.800.tsv")))) {
        std::istringstream fields(line);
        rows.emplace_back();
        for (std::string field; std::getline(fields, field, '\t');)
            rows.back().push_back(field);
    }
    const auto column = [&](const std::string& name) {
        return std::find(rows[0].begin(), rows[0].end(), name) - rows[0].begin();
    };
    // The best operator hit of each gene is its known box.
    for (const char* gene : {"recA", "lexA", "umuD", "sulA"}) {
        double best = 1.0;
        for (const std::vector<std::string>& row : rows)
            if (row[column("context")] == "Operator" && row[column("gene")] == gene)
                best = std::min(best, std::strtod(row[column("p_value")].c_str(), nullptr));
        EXPECT_LT(best, 1e-6) << gene;
    }
}
