#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base/RunLog.h"
#include "results/SequenceLogs.h"
#include "sequences/SequenceSet.h"
#include "support/TestSupport.h"

using testing_support::fileExists;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

Gene makeGene(std::uint32_t start, std::uint32_t end, bool forward, const std::string& locusTag,
              const std::string& product, const std::string& geneName)
{
    Gene gene;
    gene.start = start;
    gene.end = end;
    gene.forward = forward;
    gene.locusTag = locusTag;
    gene.product = product;
    gene.geneName = geneName;
    return gene;
}

std::string sequenceLogOf(const std::string& bases)
{
    Sequence sequence;
    sequence.name = "s1";
    sequence.bases = bases;
    std::ostringstream out;
    writeSequenceLog(out, sequence);
    return out.str();
}

} // namespace

TEST(GeneLog, WritesOneLinePerGeneBetweenHeaderAndClosingLine)
{
    Sequence sequence;
    sequence.genes.push_back(makeGene(190, 255, true, "b0001", "thr operon leader peptide", "thrL"));
    sequence.genes.push_back(makeGene(645, 568, false, "b0002", "product", ""));
    std::ostringstream out;
    writeGeneLog(sequence, out);
    EXPECT_EQ(out.str(), "Begin,End,Sense,Locus,Product,Gene\n"
                         "190,255,1,b0001,thr operon leader peptide,thrL\n"
                         "645,568,0,b0002,product,\n"
                         ";;;;,\n");
}

TEST(GeneLog, WritesHeaderAndClosingLineForASequenceWithoutGenes)
{
    std::ostringstream out;
    writeGeneLog(Sequence(), out);
    EXPECT_EQ(out.str(), "Begin,End,Sense,Locus,Product,Gene\n;;;;,\n");
}

TEST(SequenceLog, BreaksBasesIntoLinesOf70)
{
    const std::string bases140 = std::string(70, 'A') + std::string(70, 'C');
    EXPECT_EQ(sequenceLogOf(bases140), ">s1\n" + std::string(70, 'A') + "\n" + std::string(70, 'C') + "\n\n");
    EXPECT_EQ(sequenceLogOf(bases140 + "G"), ">s1\n" + std::string(70, 'A') + "\n" + std::string(70, 'C') + "\nG\n\n");
    EXPECT_EQ(sequenceLogOf("ACGT"), ">s1\nACGT\n\n");
}

TEST(SequenceLogs, WritesOnlyTheSeqLogForFastaInput)
{
    const TempDir folder;
    writeFile(folder.file("two.fas"), ">first one\nacgt\n>second\nTTTT\n");
    SequenceSet set(folder.file("two.fas"));
    RunLog log;
    writeSequenceLogs(set, log);
    EXPECT_EQ(readFile(folder.file("two_seq_log.txt")), ">first one\nACGT\n\n>second\nTTTT\n\n");
    EXPECT_FALSE(fileExists(folder.file("two_gene_log.csv")));
}

TEST(SequenceLogs, WritesTheGeneLogForGenBankInput)
{
    const TempDir folder;
    writeFile(folder.file("ann.gb"), "LOCUS       ANN 100 bp\n"
                                     "DEFINITION  annotated, small\n"
                                     "     CDS             complement(568..645)\n"
                                     "                     /gene=\"lexA\"\n"
                                     "                     /locus_tag=\"b4043\"\n"
                                     "                     /product=\"repressor, LexA\"\n"
                                     "ORIGIN\n        1 acgtacgtac gtacgtacgt\n//\n");
    writeFile(folder.file("ann_gene_log.csv"), "an earlier log that is much longer than the new one\n");
    SequenceSet set(folder.file("ann.gb"));
    RunLog log;
    writeSequenceLogs(set, log);
    EXPECT_EQ(readFile(folder.file("ann_gene_log.csv")),
              "Begin,End,Sense,Locus,Product,Gene\n645,568,0,b4043,repressor. LexA,lexA\n;;;;,\n");
    EXPECT_EQ(readFile(folder.file("ann_seq_log.txt")), ">annotated, small\nACGTACGTACGTACGTACGT\n\n");
}

TEST(SequenceLogs, WarnsWhenALogCannotBeCreatedAndGoesOn)
{
    const TempDir folder;
    writeFile(folder.file("ann.gb"), "LOCUS       ANN\nDEFINITION  x\nORIGIN\n 1 acgt\n");
    SequenceSet set(folder.file("ann.gb"));
    set.stem = folder.file("missing/ann");
    RunLog log;
    testing::internal::CaptureStdout();
    writeSequenceLogs(set, log);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING: could not write " + set.stem
                                                          + "_gene_log.csv\n"
                                                            "WARNING: could not write "
                                                          + set.stem + "_seq_log.txt\n");
}
