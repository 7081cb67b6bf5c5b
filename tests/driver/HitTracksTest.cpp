// The files for other tools on the example genome: what a user of the
// example scan gets with --tsv --bed --gff3 --outdir.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
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

// The rows of a table file, each split at its tabs; the header first.
std::vector<std::vector<std::string>> tableRows(const std::string& fileName)
{
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : splitLines(readFile(fileName))) {
        std::istringstream fields(line);
        rows.emplace_back();
        for (std::string field; std::getline(fields, field, '\t');)
            rows.back().push_back(field);
    }
    return rows;
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
    const std::vector<std::vector<std::string>> rows =
        tableRows(folder.file("new/out/ecoli_k12_Rsequence_Ri_0.800.tsv"));
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

TEST(HitTracks, TableCoordinatesGiveTheWindowsLettersOnBothStrandsAcrossTheOrigin)
{
    // A palindromic site split by the origin, found on both strands (the
    // merge off), among the other windows above a low literal cut-off.
    const std::string site = "TACTGTATATACAGTA";
    const std::string bases = site.substr(8) + "GCGCATTAGCCGATAACGGCTTAGCAAT" + site.substr(0, 8);
    TempDir folder;
    writeFile(folder.file("ring.fna"), ">ring circular test\n" + bases + "\n");
    writeFile(folder.file("sites.txt"), site + "\n" + site + "\nTACTGTATAAATAGTA\n");
    writeOptionsFile(folder.file("Options.txt"),
                     {"0", "1", "0", "-20", "350", "100", "0", "0", "1", "0", "-500", "-1", "1", "500", "1.5", "1"});
    const RunResult result = runVarno(folder.path(), {"ring.fna", "sites.txt", "--tsv"});
    ASSERT_EQ(result.exitStatus, 0) << result.output;

    const std::vector<std::vector<std::string>> rows = tableRows(folder.file("ring_Ri_-20.000.tsv"));
    ASSERT_GT(rows.size(), 2u);
    int acrossOrigin[2] = {0, 0};
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string>& fields = rows[i];
        const std::size_t start = std::stoul(fields[2]);
        const std::size_t end = std::stoul(fields[3]);
        const bool forward = fields[4] == "+";
        ASSERT_EQ(end - start + 1, site.size()) << fields[2];
        std::string letters;
        for (std::size_t at = start - 1; at < end; ++at)
            letters += bases[at % bases.size()];
        if (!forward) {
            std::reverse(letters.begin(), letters.end());
            for (char& letter : letters)
                letter = letter == 'A' ? 'T' : letter == 'C' ? 'G' : letter == 'G' ? 'C' : 'A';
        }
        EXPECT_EQ(letters, fields[10]) << fields[2];
        acrossOrigin[forward] += end > bases.size() && fields[10] == site;
    }
    EXPECT_EQ(acrossOrigin[0], 1);
    EXPECT_EQ(acrossOrigin[1], 1);
}

TEST(HitTracks, EveryRecordOfADraftGetsTheChanceOfItsOwnScore)
{
    // 75 records share one background: a hit's p-value follows its score
    // alone, whichever record it lies on.
    TempDir folder;
    std::filesystem::copy_file(dataFile("sequences/Lkirschneri_draft.fa.gz"), folder.file("draft.fa.gz"));
    std::filesystem::copy_file(sourceFile("examples/lexa_sites.txt"), folder.file("lexa_sites.txt"));
    const RunResult result = runVarno(folder.path(), {"--tsv", "draft.fa.gz", "lexa_sites.txt", "none.txt"});
    ASSERT_EQ(result.exitStatus, 0) << result.output;

    std::vector<std::pair<double, double>> scoreAndP;
    const std::vector<std::vector<std::string>> rows = tableRows(folder.file("draft_Rsequence_Ri_0.800.tsv"));
    for (std::size_t i = 1; i < rows.size(); ++i)
        scoreAndP.emplace_back(std::stod(rows[i][5]), std::stod(rows[i][6]));
    ASSERT_GT(scoreAndP.size(), 1000u);
    std::sort(scoreAndP.begin(), scoreAndP.end());
    for (std::size_t i = 1; i < scoreAndP.size(); ++i) {
        // Printed with four digits, each within 1e-3 of the exact value.
        EXPECT_LE(scoreAndP[i].second, scoreAndP[i - 1].second * 1.003) << scoreAndP[i].first;
        if (scoreAndP[i].first == scoreAndP[i - 1].first) {
            EXPECT_EQ(scoreAndP[i].second, scoreAndP[i - 1].second) << scoreAndP[i].first;
        }
    }
}

TEST(HitTracks, TableHoldsWholeGeneTextsWhileTheResultsKeepTheirFirstLines)
{
    TempDir folder;
    for (const char* name : {"ecoli_k12.gbk", "lexa_sites.txt"})
        std::filesystem::copy_file(sourceFile(std::string("examples/") + name), folder.file(name));
    // A literal cut-off low enough that a hit is placed against ispH and murE.
    writeOptionsFile(folder.file("Options.txt"),
                     {"0", "5", "0", "9", "350", "100", "0", "1", "1", "0", "-500", "-1", "1", "500", "1.5", "1"});
    const std::string results = folder.file("ecoli_k12_Rsequence_Ri_9.000.csv");
    ASSERT_EQ(runVarno(folder.path(), {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt"}).exitStatus, 0);
    const std::string plainResults = readFile(results);
    const RunResult result = runVarno(folder.path(), {"ecoli_k12.gbk", "lexa_sites.txt", "Options.txt", "--tsv"});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_EQ(readFile(results), plainResults);
    EXPECT_NE(plainResults.find(",b0085,murE,UDP-N-acetylmuramoyl-L-alanyl-D-glutamate--2.,"), std::string::npos);

    // Both products run over two lines in the file; murE's is broken inside a word.
    std::map<std::string, std::string> products;
    for (const std::vector<std::string>& row : tableRows(folder.file("ecoli_k12_Rsequence_Ri_9.000.tsv")))
        if (row.size() == 19)
            products[row[17]] = row[18];
    EXPECT_EQ(products["ispH"], "4-hydroxy-3-methylbut-2-enyl diphosphate reductase");
    EXPECT_EQ(products["murE"], "UDP-N-acetylmuramoyl-L-alanyl-D-glutamate--2,6-diaminopimelate ligase");
}

// One genome as Prokka wrote it twice, GFF3 with its sequences and GenBank:
// the same hit rows but for the locus tags, which Prokka drew anew; and a
// FASTA genome with its genes from --genes gets them placed.
TEST(HitTracks, AGff3GenomeGivesTheRowsOfItsGenBankTwin)
{
    TempDir folder;
    const std::string sites = sourceFile("examples/lexa_sites.txt");
    std::vector<std::vector<std::vector<std::string>>> tables;
    for (const std::string form : {"gff", "gbk"}) {
        const RunResult run = runVarno(folder.path(), {"--no-logs", "--tsv", "--cutoff", "8", "--outdir", form,
                                                       dataFile("sequences/prokka_plasmid." + form + ".gz"), sites});
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        tables.push_back(tableRows(folder.file(form + "/prokka_plasmid_Rsequence_Ri_8.000.tsv")));
    }
    ASSERT_EQ(tables[0].size(), tables[1].size());
    ASSERT_GT(tables[0].size(), 1u);
    const std::size_t seqName = 1, locusTag = 16;
    for (std::size_t row = 0; row < tables[0].size(); ++row) {
        for (std::size_t column = 0; column < tables[0][row].size(); ++column) {
            if (column != locusTag && column != seqName) {
                EXPECT_EQ(tables[0][row][column], tables[1][row][column]) << row << ' ' << column;
            }
        }
    }

    const std::string stem = "sequences/plasmid_GCF_000093005.1_ASM9300v1";
    const RunResult genes =
        runVarno(folder.path(), {"--no-logs", "--tsv", "--cutoff", "8", "--genes", dataFile(stem + ".gff.gz"),
                                 "--outdir", "fna", dataFile(stem + ".fna.gz"), sites});
    ASSERT_EQ(genes.exitStatus, 0) << genes.output;
    const auto rows = tableRows(folder.file("fna/plasmid_GCF_000093005.1_ASM9300v1_Rsequence_Ri_8.000.tsv"));
    ASSERT_GT(rows.size(), 1u);
    EXPECT_NE(rows[1][locusTag], "NA");
}

// The draft's LOCUS lines say linear: with --topology auto no window runs
// across a contig's ends (the default's hit at 197148..197167 of a contig of
// 197,153 letters goes), the E-values count 2 (S - L + 1) windows a contig,
// and no GFF3 region is marked circular.
TEST(HitTracks, LinearContigsHaveNoWindowAcrossTheirEnds)
{
    TempDir folder;
    const std::string draft = dataFile("sequences/Lkirschneri_draft.gbk.gz");
    const std::string sites = sourceFile("examples/lexa_sites.txt");
    for (const std::string topology : {"circular", "auto"}) {
        const RunResult run = runVarno(folder.path(), {"--no-logs", "--tsv", "--gff3", "--topology", topology,
                                                       "--outdir", topology, draft, sites});
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        const std::string table = readFile(folder.file(topology + "/Lkirschneri_draft_Rsequence_Ri_0.800.tsv"));
        const std::string gff3 = readFile(folder.file(topology + "/Lkirschneri_draft_Rsequence_Ri_0.800.gff3"));
        const bool circular = topology == "circular";
        EXPECT_EQ(countOf(table, "\t197148\t197167\t+\t"), circular ? 1u : 0u) << topology;
        EXPECT_EQ(countOf(gff3, "Is_circular=true"), circular ? 75u : 0u) << topology;
        EXPECT_EQ(countOf(gff3, "windows scanned (both strands of every sequence): 9186618;"), circular ? 0u : 1u)
            << topology;
    }
}
