#include "tracks/TrackFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "options/Options.h"
#include "results/HitSignificance.h"
#include "sequences/SequenceSet.h"
#include "support/TestSupport.h"

using testing_support::readFile;
using testing_support::splitLines;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

constexpr double notAvailable = std::numeric_limits<double>::quiet_NaN();

const char* const fastaLetters = "GCTAAAGACAATTACATAACATACACGTCAGCACGAAACT";
const char* const genBankLetters = "TGTTGGCCCAGTGTGAATCGCTTAAGGGTTAAGTAAGTGGGATGCATACGCCTTTACTTG";

// A hit's letters read off the sequence from its leftmost letter, across the
// origin where they get there; reverse complemented on the reverse strand.
std::string lettersOf(const std::string& bases, const Hit& hit)
{
    std::string letters;
    const std::uint64_t left = leftmostLetter(hit, bases.size());
    for (std::uint32_t index = 0; index < hit.windowLength; ++index)
        letters += bases[(left + index) % bases.size()];
    if (!hit.forward) {
        std::reverse(letters.begin(), letters.end());
        for (char& letter : letters)
            letter = letter == 'A' ? 'T' : letter == 'C' ? 'G' : letter == 'G' ? 'C' : 'A';
    }
    return letters;
}

// A hit from its leftmost letter `left`; on the reverse strand the position
// is the leftmost letter plus the length.
Hit hitAt(const std::string& bases, std::uint32_t left, bool forward, double score)
{
    Hit hit(8);
    hit.forward = forward;
    hit.position = forward ? left : static_cast<std::uint32_t>((left + hit.windowLength) % bases.size());
    hit.score = score;
    return hit;
}

// The figures of a hit of that score.
WindowSignificance figuresOf(double score, double pValue)
{
    WindowSignificance figures;
    figures.ownScore = score / 2;
    figures.pValue = pValue;
    figures.eValue = pValue * 200;
    figures.qValue = pValue * 3;
    return figures;
}

void placeAgainst(Hit& hit, std::uint32_t gene, HitContext context, std::int32_t distance)
{
    hit.context = context;
    hit.distance = distance;
    hit.geneIndex = gene;
}

// A FASTA-read sequence with two forward hits, the second across the origin,
// and a GenBank-like one with two genes and three hits: one in each gene and
// one reverse across the origin without figures.
SequenceSet trackSet(const TempDir& folder)
{
    writeFile(folder.file("run.fna"), std::string(">contig7 plain test\n") + fastaLetters
                                          + "\n>NC_000001.1 Test genome\n" + genBankLetters + "\n");
    SequenceSet set(folder.file("run.fna"));
    Sequence& plain = set.sequences[0];
    plain.hits = {hitAt(plain.bases, 3, true, 12.5), hitAt(plain.bases, 36, true, 11.25)};
    plain.hitSignificance = {figuresOf(12.5, 1.234567e-5), figuresOf(11.25, 0.003)};

    Sequence& annotated = set.sequences[1];
    annotated.sourceFormat = 'G';
    annotated.genes = {{5, 25, true, "TST_0001", "tstA", "tab\there; semi, \"quoted\"", nullptr},
                       {50, 35, false, "TST_0002", "", "repressor", nullptr}};
    annotated.hits = {hitAt(annotated.bases, 22, false, 14.0), hitAt(annotated.bases, 40, true, -1.0 / 3),
                      hitAt(annotated.bases, 55, false, 10.0)};
    annotated.hitSignificance = {figuresOf(14.0, 2e-11), figuresOf(-1.0 / 3, 0.5), figuresOf(10.0, notAvailable)};
    annotated.hitSignificance[0].pValueIsBound = true;
    placeAgainst(annotated.hits[0], 0, HitContext::Intragenic, -17);
    placeAgainst(annotated.hits[1], 1, HitContext::Operator, 10);
    placeAgainst(annotated.hits[2], 0, HitContext::Intergenic, 10);
    return set;
}

struct ToolRun {
    int status = -1;
    std::string output; // standard output only
};

ToolRun runTool(const std::string& command)
{
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    std::size_t length = 0;
    while ((length = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, length);
    run.status = pclose(pipe);
    return run;
}

std::vector<std::string> fieldsOf(const std::string& line, char separator = '\t')
{
    std::vector<std::string> fields(1);
    for (const char letter : line) {
        if (letter == separator)
            fields.emplace_back();
        else
            fields.back() += letter;
    }
    return fields;
}

} // namespace

// The three files of one run, judged by bedtools and the GFF3 validator
// against the sequences' own letters.
TEST(TrackFiles, AgreeWithTheLettersAsReadAcrossTheOrigin)
{
    SKIP_WITHOUT_TOOL("bedtools", "bedtools");
    SKIP_WITHOUT_TOOL("gt", "genometools");
    const TempDir folder;
    const SequenceSet set = trackSet(folder);
    Options options;
    options.cutoff = 9.5;
    RunSignificance significance;
    significance.computed = true;
    significance.windowsScanned = 200;
    significance.cutoffEValue = 0.42;
    const std::string results = folder.file("run_RSequence-RI_0.800.csv");
    const std::string tsv = trackFileName(results, ".tsv");
    const std::string bed = trackFileName(results, ".bed");
    const std::string gff3 = trackFileName(results, ".gff3");
    writeTsv(set, options, tsv);
    writeBed(set, options, significance, bed);
    writeGff3(set, options, significance, gff3);

    EXPECT_EQ(
        readFile(tsv),
        "seq_id\tseq_name\tstart\tend\tstrand\tscore\tp_value\te_value\tq_value\tp_is_bound\twindow\tcontext\t"
        "distance\tgene_strand\tgene_start\tgene_end\tlocus_tag\tgene\tproduct\n"
        "contig7\tcontig7 plain test\t4\t11\t+\t12.5\t1.235e-05\t0.002469\t3.704e-05\tFALSE\tAAAGACAA\tNA\tNA\tNA\tNA\t"
        "NA\tNA\tNA\tNA\n"
        "contig7\tcontig7 plain test\t37\t44\t+\t11.25\t0.003\t0.6\t0.009\tFALSE\tAACTGCTA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\t"
        "NA\n"
        "NC_000001.1\tNC_000001.1 Test genome\t23\t30\t-\t14\t2e-11\t4e-09\t6e-11\tTRUE\tAACCCTTA\tIntragenic\t-17\t"
        "+\t5\t25\tTST_0001\ttstA\t\"tab here; semi, \"\"quoted\"\"\"\n"
        "NC_000001.1\tNC_000001.1 Test genome\t41\t48\t+\t-0.33333333333333\t0.5\t100\t1.5\tFALSE\tGATGCATA\t"
        "Operator\t10\t-\t50\t35\tTST_0002\tNA\trepressor\n"
        "NC_000001.1\tNC_000001.1 Test genome\t56\t63\t-\t10\tNA\tNA\tNA\tNA\tACACAAGT\tIntergenic\t10\t+\t5\t25\t"
        "TST_0001\ttstA\t\"tab here; semi, \"\"quoted\"\"\"\n");

    const ToolRun sorted = runTool("bedtools sort -i '" + bed + "'");
    ASSERT_EQ(sorted.status, 0);
    EXPECT_EQ(sorted.output, "NC_000001.1\t0\t3\tACACAAGT\t0\t-\n"
                             "NC_000001.1\t22\t30\tAACCCTTA\t1000\t-\n"
                             "NC_000001.1\t40\t48\tGATGCATA\t30\t+\n"
                             "NC_000001.1\t55\t60\tACACAAGT\t0\t-\n"
                             "contig7\t0\t4\tAACTGCTA\t252\t+\n"
                             "contig7\t3\t11\tAAAGACAA\t491\t+\n"
                             "contig7\t36\t40\tAACTGCTA\t252\t+\n");

    // The two genes, 0-based half-open: only the hit inside each overlaps.
    writeFile(folder.file("genes.bed"), "NC_000001.1\t4\t25\tTST_0001\t0\t+\nNC_000001.1\t34\t50\tTST_0002\t0\t-\n");
    const ToolRun overlaps = runTool("bedtools intersect -u -a '" + bed + "' -b '" + folder.file("genes.bed") + "'");
    ASSERT_EQ(overlaps.status, 0);
    std::vector<std::string> overlapping;
    for (const std::string& line : splitLines(overlaps.output))
        overlapping.push_back(fieldsOf(line)[3]);
    EXPECT_EQ(overlapping, (std::vector<std::string>{lettersOf(set.sequences[1].bases, set.sequences[1].hits[0]),
                                                     lettersOf(set.sequences[1].bases, set.sequences[1].hits[1])}));

    // Each line's letters on its strand; the pieces of a window across the
    // origin follow each other and join into its letters.
    const ToolRun letters = runTool("bedtools getfasta -s -nameOnly -tab -fi '" + folder.file("run.fna") + "' -bed '"
                                    + bed + "' 2> /dev/null");
    ASSERT_EQ(letters.status, 0);
    std::vector<std::string> windows;
    std::string previousName;
    for (const std::string& line : splitLines(letters.output)) {
        const std::vector<std::string> fields = fieldsOf(line);
        ASSERT_EQ(fields.size(), 2u) << line;
        if (fields[0] == previousName)
            windows.back() += fields[1];
        else
            windows.push_back(fields[1]);
        previousName = fields[0];
    }
    std::vector<std::string> expected;
    for (const Sequence& sequence : set.sequences)
        for (const Hit& hit : sequence.hits)
            expected.push_back(lettersOf(sequence.bases, hit));
    EXPECT_EQ(windows, expected);

    const ToolRun validation = runTool("gt gff3validator -typecheck so '" + gff3 + "' 2>&1");
    EXPECT_EQ(validation.status, 0) << validation.output;
}

// Under integration the figures belong to the window's own score, and say so.
TEST(TrackFiles, UnderIntegrationNameTheOwnScoresFigures)
{
    SKIP_WITHOUT_TOOL("gt", "genometools");
    const TempDir folder;
    const SequenceSet set = trackSet(folder);
    Options options;
    options.useIntegration = true;
    RunSignificance significance;
    significance.unavailableReason = "the collection has too few sites";
    writeTsv(set, options, folder.file("run.tsv"));
    writeBed(set, options, significance, folder.file("run.bed"));
    writeGff3(set, options, significance, folder.file("run.gff3"));

    const std::vector<std::string> table = splitLines(readFile(folder.file("run.tsv")));
    EXPECT_EQ(table[0],
              "seq_id\tseq_name\tstart\tend\tstrand\tscore\town_score\town_p_value\town_e_value\town_q_value\t"
              "p_is_bound\twindow\tcontext\tdistance\tgene_strand\tgene_start\tgene_end\tlocus_tag\tgene\t"
              "product");
    EXPECT_EQ(fieldsOf(table[1])[6], "6.25");
    const std::string bedText = readFile(folder.file("run.bed"));
    EXPECT_NE(bedText.find("NA (the collection has too few sites)"), std::string::npos) << bedText;
    EXPECT_NE(bedText.find("own score"), std::string::npos) << bedText;
    EXPECT_NE(readFile(folder.file("run.gff3")).find(";own_score=7;own_p_value=2e-11;"), std::string::npos);
    const ToolRun validation = runTool("gt gff3validator -typecheck so '" + folder.file("run.gff3") + "' 2>&1");
    EXPECT_EQ(validation.status, 0) << validation.output;
}
