#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "base/FileNames.h"
#include "sequences/Gff3Reader.h"
#include "sequences/SequenceSet.h"
#include "support/TestSupport.h"

using testing_support::dataFile;

namespace {

// The sequences of a GFF3 text with a ##FASTA part, or else the genes it
// gives one sequence "chr" of 20 bases.
std::vector<Sequence> readText(const std::string& text, bool withSequences = false)
{
    std::vector<Sequence> sequences;
    if (!withSequences) {
        sequences.resize(1);
        sequences[0].id = "chr";
        sequences[0].bases = std::string(20, 'A');
    }
    std::istringstream input(text);
    TextLines lines(input);
    if (withSequences)
        readGff3File(lines, "test.gff", sequences);
    else
        readGff3Genes(lines, "test.gff", sequences);
    return sequences;
}

} // namespace

TEST(Gff3Reader, ReadsRealFilesAsTheGenBankReaderReadsTheirTwins)
{
    // One Prokka run written both ways: the same letters and genes, but for
    // the locus tags, which Prokka draws anew for each file.
    std::vector<Sequence> gff3;
    readGff3File(dataFile("sequences/prokka_plasmid.gff.gz"), gff3);
    const SequenceSet genBank(dataFile("sequences/prokka_plasmid.gbk.gz"));
    ASSERT_EQ(gff3.size(), 1u);
    EXPECT_EQ(gff3[0].sourceFormat, 'G');
    EXPECT_EQ(gff3[0].id, genBank.sequences[0].id);
    EXPECT_EQ(gff3[0].bases, genBank.sequences[0].bases);
    ASSERT_EQ(gff3[0].genes.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        const Gene& a = gff3[0].genes[i];
        const Gene& b = genBank.sequences[0].genes.at(i);
        EXPECT_TRUE(a.start == b.start && a.end == b.end && a.forward == b.forward) << i;
        EXPECT_TRUE(a.geneName == b.geneName && a.fullProduct() == b.fullProduct()) << i;
        EXPECT_EQ(a.locusTag, "NILJEPDF_00" + std::to_string(936 + i)) << i;
    }

    // MicroScope escapes the brackets and signs of its products.
    std::vector<Sequence> microScope;
    readGff3File(dataFile("sequences/microscope_start.gff.gz"), microScope);
    ASSERT_EQ(microScope.at(0).genes.size(), 3u);
    EXPECT_EQ(microScope[0].genes[1].product, "Na(+)-translocating NADH-quinone reductase subunit A");

    // The genes of a FASTA file, from a GFF3 file of its own.
    SequenceSet fasta(dataFile("sequences/plasmid_GCF_000093005.1_ASM9300v1.fna.gz"));
    readGff3Genes(dataFile("sequences/plasmid_GCF_000093005.1_ASM9300v1.gff.gz"), fasta.sequences);
    EXPECT_EQ(fasta.sequences.at(0).sourceFormat, 'G');
    ASSERT_EQ(fasta.sequences[0].genes.size(), 8u);
    const Gene& soj = fasta.sequences[0].genes[2];
    EXPECT_TRUE(soj.start == 2710 && soj.end == 1916 && soj.geneName == "soj_2");

    EXPECT_TRUE(isGff3Name("a.gff") && isGff3Name("a.GFF3.gz") && isGff3Name("a.Gff.GZ"));
    EXPECT_FALSE(isGff3Name("a.gff2") || isGff3Name("gff") || isGff3Name("a.gtf"));
}

TEST(Gff3Reader, JoinsPartsNamesGenesByTheirParentAndDecodesEscapes)
{
    const std::vector<Gene> genes =
        readText("##gff-version 3\n"
                 "chr\tx\tgene\t1\t9\t.\t+\t.\tID=g1;Name=abcD%2C1\n"
                 "chr\tx\tCDS\t1\t3\t.\t+\t0\tID=c1;Parent=g1,g0;product=a%3Bb%3D%26%25%09,g\n"
                 "chr\tx\tCDS\t2\t4\t.\t-\t0\tID=split;locus_tag=L2\n"
                 "chr\tx\tCDS\t8\t9\t.\t-\t0\tID=split;locus_tag=L2\n"
                 "chr\tx\tCDS\t5\t6\t.\t.\t0\tID=bakta;Name=its product\n"
                 "chr\tx\tCDS\t18\t25\t.\t+\t0\tID=acrossOrigin;gene=ori\n")[0]
            .genes;
    ASSERT_EQ(genes.size(), 4u);
    // Commas turn to '.' in the shown texts, as GenBank's do; the whole keeps them.
    EXPECT_EQ(genes[0].locusTag, "c1");
    EXPECT_TRUE(genes[0].geneName == "abcD.1" && genes[0].fullGeneName() == "abcD,1");
    EXPECT_TRUE(genes[0].product == "a;b=&%\t.g" && genes[0].fullProduct() == "a;b=&%\t,g");
    // Several lines of one ID are one joined CDS, as is one across the
    // origin: neither has coordinates, as in a GenBank record.
    EXPECT_TRUE(genes[1].locusTag == "L2" && genes[1].start == 0 && genes[1].end == 0 && !genes[1].forward);
    EXPECT_TRUE(genes[2].geneName.empty() && genes[2].forward);
    EXPECT_TRUE(genes[3].start == 0 && genes[3].end == 0);
}

TEST(Gff3Reader, NamesTheFileAndLineOfABrokenInput)
{
    const std::string fasta = "##FASTA\n>chr\nACGT\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"#\nchr\tx\tCDS\t1\t3\t.\t+\t0\n", "line 2: expected 9 tab-separated columns, found 8"},
        {"chr\tx\tCDS\t<1\t3\t.\t+\t0\tID=a\n", "line 1: the start \"<1\" is not a whole number"},
        {"chr\tx\tCDS\t1\t4294967296\t.\t+\t0\t\n", "line 1: the end \"4294967296\" is not a whole number"},
        {"chr\tx\tCDS\t1\t3\t.\tx\t0\tID=a\n", "line 1: the strand \"x\" is not one of + - . ?"},
        {"chr\tx\tgene\t5\t3\t.\t-\t.\tID=a\n", "line 1: the start 5 is after the end 3"},
        {"chr\tx\tCDS\t1\t3\t.\t+\t0\t\n\nplasmid\tx\tCDS\t1\t3\t.\t+\t0\t\n",
         "line 3: no sequence has the id \"plasmid\" of column 1"},
        {"chr\tx\tCDS\t1\t3\t.\t+\t0\tID=a\n", "line 1: no \"##FASTA\" line, after which the sequences would be"},
        {"other\tx\tCDS\t1\t3\t.\t+\t0\tID=a\n" + fasta, "line 1: no sequence has the id \"other\" of column 1"},
    };
    setErrorReporting(ErrorReporting::exceptionOnly);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        try {
            // The last two hold their sequences.
            readText(cases[i].first, i + 2 >= cases.size());
            ADD_FAILURE() << "no FatalError for " << cases[i].first;
        } catch (const FatalError& error) {
            EXPECT_EQ(error.lines().front(), "Incorrect GFF3 file test.gff, " + cases[i].second);
        }
    }
    setErrorReporting(ErrorReporting::logAndConsole);
    EXPECT_EQ(readText("chr\tx\tCDS\t1\t3\t.\t+\t0\tID=a\n" + fasta, true).at(0).bases, "ACGT");
}
