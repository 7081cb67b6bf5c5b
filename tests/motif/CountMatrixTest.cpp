#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "base/FileNames.h"
#include "motif/CountMatrix.h"
#include "support/TestSupport.h"

using testing_support::TempDir;
using testing_support::dataFile;
using testing_support::readFile;

namespace {

using Counts = std::vector<std::array<double, 4>>;

std::vector<CountMatrix> readSample(const std::string& name, std::vector<std::string>& warnings)
{
    return readMatrixFile(dataFile("motif/formats/" + name), warnings);
}

// The matrices of `text` read as a file named `fileName`, by the reader its
// name calls for.
std::vector<CountMatrix> readText(const std::string& fileName, const std::string& text,
                                  std::vector<std::string>& warnings)
{
    std::istringstream input(text);
    switch (matrixFormatOf(fileName)) {
    case MotifFormat::transfac: return readTransfac(input, fileName, warnings);
    case MotifFormat::jaspar: return readJaspar(input, fileName, warnings);
    case MotifFormat::pfm: return readPfm(input, fileName, warnings);
    default: return readMeme(input, fileName, warnings);
    }
}

// The message a text is rejected with.
std::string rejection(const std::string& fileName, const std::string& text)
{
    setErrorReporting(ErrorReporting::exceptionOnly);
    std::vector<std::string> warnings;
    std::string message = "(read without an error)";
    try {
        readText(fileName, text, warnings);
    } catch (const FatalError& error) {
        message = error.what();
    }
    setErrorReporting(ErrorReporting::logAndConsole);
    return message;
}

} // namespace

TEST(MatrixFileName, TellsTheFormatByTheWholeExtensionInAnyCase)
{
    EXPECT_EQ(matrixFormatOf("dir.v2/transfac.dat.gz"), MotifFormat::transfac);
    EXPECT_EQ(matrixFormatOf("MA0001.1.Transfac"), MotifFormat::transfac);
    EXPECT_EQ(matrixFormatOf("MA0001.1.jaspar.GZ"), MotifFormat::jaspar);
    EXPECT_EQ(matrixFormatOf("SRF.pfm"), MotifFormat::pfm);
    EXPECT_EQ(matrixFormatOf("motifs.MEME"), MotifFormat::meme);
    for (const char* other : {"sites.txt", "sites.fas", "motifs.memes", "tf"})
        EXPECT_FALSE(isMatrixFileName(other)) << other;
}

// The counts are those Biopython 1.80's Bio.motifs reads from the same
// files (formats "transfac", "pfm-four-rows", "pfm-four-columns",
// "minimal"), written down once. Biopython reads MA0056.1.transfac only when
// not strict (single spaces after the keys), and stops at fourrows.pfm's
// last block and at the MEME motif without nsites=; their other matrices
// are compared.
TEST(CountMatrixReaders, ReadTheSampleFilesToBiopythonsCounts)
{
    struct Sample {
        const char* file;
        std::size_t matrices;
        std::size_t index;
        const char* name;
        double sites;
        Counts counts;
    };
    // Rows of numbers, kept one position group per line.
    // clang-format off
    const std::vector<Sample> samples = {
        {"MA0056.1.transfac", 1, 0, "MZF1", 20,
         {{3, 5, 4, 8}, {0, 0, 19, 1}, {2, 0, 18, 0}, {0, 0, 19, 1}, {0, 0, 20, 0}, {18, 0, 2, 0}}},
        // A consensus letter after each row.
        {"transfac.dat", 2, 1, "motif2", 5,
         {{2, 1, 2, 0}, {1, 2, 2, 0}, {0, 5, 0, 0}, {3, 0, 1, 1}, {0, 0, 4, 1}, {5, 0, 0, 0}, {0, 1, 4, 0},
          {0, 0, 5, 0}, {0, 0, 0, 5}, {0, 2, 0, 3}}},
        // One line per position, without a header.
        {"fourcolumns.pfm", 8, 3, "AbdA_Cell_FBgn0000014", 18,
         {{1, 3, 0, 14}, {0, 0, 0, 18}, {16, 0, 0, 2}, {18, 0, 0, 0}, {1, 0, 0, 17}, {0, 0, 6, 12}, {15, 1, 2, 0}}},
        // Under the header "T A G C"; named by its '#' line.
        {"fourcolumns.pfm", 8, 7, "Tiffin", 99,
         {{0, 40, 28, 30}, {0, 99, 0, 0}, {55, 29, 14, 0}, {99, 0, 0, 0}, {78, 0, 0, 20}, {52, 39, 7, 0},
          {46, 22, 11, 19}, {60, 0, 38, 0}, {33, 66, 0, 0}, {0, 0, 25, 73}, {0, 0, 0, 99}}},
        // Bracketed rows under ">MA0001.1 AGL3".
        {"fourrows.pfm", 9, 7, "MA0001.1", 97,
         {{0, 94, 1, 2}, {3, 75, 0, 19}, {79, 4, 3, 11}, {40, 3, 4, 50}, {66, 1, 1, 29}, {48, 2, 0, 47},
          {65, 5, 5, 22}, {11, 2, 3, 81}, {65, 3, 28, 1}, {0, 3, 88, 6}}},
    };
    // clang-format on
    for (const Sample& sample : samples) {
        SCOPED_TRACE(std::string(sample.file) + " " + sample.name);
        std::vector<std::string> warnings;
        const std::vector<CountMatrix> matrices = readSample(sample.file, warnings);
        ASSERT_EQ(matrices.size(), sample.matrices);
        const CountMatrix& matrix = matrices[sample.index];
        EXPECT_EQ(matrix.name, sample.name);
        EXPECT_EQ(matrix.counts, sample.counts);
        EXPECT_EQ(matrix.sites, sample.sites);
        EXPECT_FALSE(matrix.sitesAssumed);
    }

    // Biopython rounds MEME frequencies times nsites to whole counts; ours
    // keep the fractions, which round to its counts.
    const Counts krp = {{0, 3, 0, 14}, {0, 1, 11, 5}, {0, 1, 0, 16}, {3, 0, 13, 1}, {14, 1, 0, 2},
                        {5, 3, 3, 6},  {5, 6, 4, 2},  {2, 4, 6, 5},  {9, 0, 3, 5},  {1, 4, 10, 2},
                        {3, 4, 5, 5},  {0, 1, 2, 14}, {1, 15, 0, 1}, {13, 0, 3, 1}, {1, 15, 0, 1},
                        {14, 1, 1, 1}, {3, 7, 1, 6},  {7, 0, 0, 10}, {6, 1, 0, 10}};
    std::vector<std::string> warnings;
    const std::vector<CountMatrix> meme = readSample("minimal_test.meme", warnings);
    ASSERT_EQ(meme.size(), 3u);
    EXPECT_EQ(meme[0].name, "KRP");
    EXPECT_EQ(meme[0].sites, 17);
    ASSERT_EQ(meme[0].counts.size(), krp.size());
    for (std::size_t i = 0; i < krp.size(); ++i)
        for (std::size_t b = 0; b < 4; ++b)
            EXPECT_EQ(std::round(meme[0].counts[i][b]), krp[i][b]) << "position " << i + 1;
    EXPECT_EQ(meme[1].sites, 14);
    EXPECT_FALSE(meme[1].sitesAssumed);
    EXPECT_TRUE(meme[2].sitesAssumed);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("motif IFXA_no_nsites_no_evalue gives frequencies but no number of sites"),
              std::string::npos);
}

TEST(CountMatrixReaders, TakeFrequenciesAndPercentagesAsSharesOfTheirNumberOfSites)
{
    // REB1.pfm's columns each total 100: percentages of an unknown number of
    // sites, 20 assumed. Biopython takes them as 100 sites' counts.
    std::vector<std::string> warnings;
    const CountMatrix reb1 = readSample("REB1.pfm", warnings).at(0);
    EXPECT_TRUE(reb1.sitesAssumed);
    EXPECT_EQ(reb1.sites, 20);
    EXPECT_EQ(reb1.counts[0],
              (std::array<double, 4>{30.0 / 100 * 20, 10.0 / 100 * 20, 50.0 / 100 * 20, 10.0 / 100 * 20}));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("WARNING: ", 0), 0u);
    EXPECT_NE(warnings[0].find("REB1.pfm: motif REB1_1 gives frequencies"), std::string::npos);

    // Labelled A, T, G, C; frequencies, the last column's total not quite 1
    // (0.0833333334583333 + 0.583333333208333 + 0.249999999875 + 0.0833333334583333).
    warnings.clear();
    const CountMatrix yetfasco = readSample("fourrows.pfm", warnings).at(1);
    EXPECT_EQ(yetfasco.name, "YeTFaSCo");
    EXPECT_EQ(yetfasco.counts[0], (std::array<double, 4>{10, 10, 0, 0}));
    const double total = 0.0833333334583333 + 0.583333333208333 + 0.249999999875 + 0.0833333334583333;
    EXPECT_EQ(yetfasco.counts[14][1], 0.583333333208333 / total * 20);

    // The file's N is taken where it gives one; totals just outside the
    // bounds are counts, and so are totals of exactly the N given (7 / 101
    // * 101 is not 7: PRODORIC has a matrix of 101 sites).
    warnings.clear();
    const std::vector<CountMatrix> read = readText("shares.tf",
                                                   "ID  freq\nP0  A C G T\n01  0.5 0.25 0.25 0\n02  0 0 0.996 0\n"
                                                   "CC  sites: 8\n//\n"
                                                   "ID  percent\nP0  A C G T\n01  50 25 24 0\n02  0 0 100.5 0\n//\n"
                                                   "ID  counts\nP0  A C G T\n01  0.5 0.25 0.25 0\n02  0 0 1.02 0\n//\n"
                                                   "ID  many\nP0  A C G T\n01  7 44 25 25\nCC  sites: 101\n//\n",
                                                   warnings);
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0].counts, (Counts{{4, 2, 2, 0}, {0, 0, 8, 0}}));
    EXPECT_EQ(read[0].sites, 8);
    EXPECT_EQ(read[1].counts, (Counts{{50.0 / 99 * 20, 25.0 / 99 * 20, 24.0 / 99 * 20, 0}, {0, 0, 20, 0}}));
    EXPECT_TRUE(read[1].sitesAssumed);
    EXPECT_EQ(read[2].counts, (Counts{{0.5, 0.25, 0.25, 0}, {0, 0, 1.02, 0}}));
    EXPECT_EQ(read[2].sites, 1.02);
    EXPECT_EQ(read[3].counts, (Counts{{7, 44, 25, 25}}));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "WARNING: shares.tf: motif percent gives frequencies but no number of sites; its counts "
                           "assume 20 sites. A line 'CC  sites: N' in its record sets N.");
}

TEST(CountMatrixReaders, RejectAMalformedMatrixOfEachFormatNamingTheLine)
{
    const struct {
        const char* file;
        const char* text;
        const char* message;
    } cases[] = {
        {"short.tf", "ID  x\nP0  A C G T\n01  1 2 3 4\n02  1 2 3\nXX\n//\n",
         "ERROR: short.tf, line 4: expected a numbered row of 4 values, found '02  1 2 3'"},
        {"empty.tf", "AC  x\nXX\nP0  A C G T\nXX\n//\n",
         "ERROR: empty.tf, line 4: expected a row of 4 numbers after P0, found 'XX'"},
        {"ragged.jaspar", ">M1 x\nA [ 1 2 ]\nC [ 1 2 ]\nG [ 1 ]\nT [ 1 2 ]\n",
         "ERROR: ragged.jaspar, line 4: a row of 1 value where the first row of motif M1 has 2; each row has one "
         "value per position"},
        {"negative.jaspar", ">M1\nA [ 1 -2 ]\nC [ 1 2 ]\nG [ 1 2 ]\nT [ 1 2 ]\n",
         "ERROR: negative.jaspar, line 2: negative value -2; counts, frequencies and percentages are 0 or more"},
        {"twice.pfm", "A 1 2\nC 1 2\nA 3 4\nT 1 2\n",
         "ERROR: twice.pfm, line 3: a second row A in motif twice_1; its rows are A, C, G and T, once each"},
        {"letter.pfm", "> m\n1 2 3 4\n1 2 x 4\n",
         "ERROR: letter.pfm, line 3: 'x' is not a number; a matrix holds only counts, frequencies or percentages"},
        {"zero.pfm", "# z\n0 1 2\n0 2 2\n0 3 2\n0 4 2\n",
         "ERROR: zero.pfm, line 2: position 1 of motif z has no counts (its column totals 0)"},
        {"prose.pfm", "# notes\nno numbers here\n",
         "ERROR: prose.pfm: no matrix found; a .pfm matrix is 4 rows of numbers (A, C, G, T) or one line of 4 "
         "numbers per position"},
        {"protein.meme", "MEME version 4\n\nALPHABET= ACDEFGHIKLMNPQRSTVWY\n",
         "ERROR: protein.meme, line 3: only DNA motifs can be read (a line 'ALPHABET= ACGT'), found "
         "'ALPHABET= ACDEFGHIKLMNPQRSTVWY'"},
        {"cut.meme", "MOTIF one\nletter-probability matrix: alength= 4 w= 3 nsites= 5\n0.1 0.2 0.3 0.4\nMOTIF two\n",
         "ERROR: cut.meme, line 4: expected 3 rows of 4 probabilities for motif one, found 'MOTIF two'"},
    };
    for (const auto& bad : cases)
        EXPECT_EQ(rejection(bad.file, bad.text), bad.message);
}

// Every sample matrix, of counts, weighted counts and frequencies, written in
// each format and read again.
TEST(CountMatrixWriters, WriteFilesThatReadBackToTheSameCounts)
{
    std::vector<std::string> warnings;
    std::vector<CountMatrix> matrices;
    for (const char* sample : {"transfac.dat", "SRF.pfm", "fourcolumns.pfm", "minimal_test.meme"})
        for (CountMatrix& matrix : readSample(sample, warnings))
            matrices.push_back(std::move(matrix));
    matrices.front().name = "two words";

    TempDir folder;
    for (const MotifFormat format : {MotifFormat::transfac, MotifFormat::jaspar, MotifFormat::meme}) {
        const std::string fileName = folder.file(format == MotifFormat::transfac ? "all.tf"
                                                 : format == MotifFormat::jaspar ? "all.jaspar"
                                                                                 : "all.meme");
        SCOPED_TRACE(fileName);
        writeMatrixFile(matrices, format, fileName, {0.3, 0.2, 0.2, 0.3});
        const std::vector<CountMatrix> back = readMatrixFile(fileName, warnings);
        ASSERT_EQ(back.size(), matrices.size());
        EXPECT_EQ(back[0].name, "two_words");
        for (std::size_t k = 1; k < back.size(); ++k) {
            EXPECT_EQ(back[k].name, matrices[k].name);
            if (format != MotifFormat::meme) {
                EXPECT_EQ(back[k].counts, matrices[k].counts) << matrices[k].name;
                continue;
            }
            // Frequencies times N: a column of other total than N is scaled to N.
            EXPECT_EQ(back[k].sites, matrices[k].sites);
            for (std::size_t i = 0; i < back[k].counts.size(); ++i) {
                const auto& [a, c, g, t] = matrices[k].counts[i];
                for (std::size_t b = 0; b < 4; ++b)
                    EXPECT_DOUBLE_EQ(back[k].counts[i][b],
                                     matrices[k].counts[i][b] / (a + c + g + t) * matrices[k].sites);
            }
        }
    }
    const std::string meme = readFile(folder.file("all.meme"));
    EXPECT_EQ(meme.substr(0, meme.find("MOTIF")),
              "MEME version 4\n\nALPHABET= ACGT\n\nstrands: + -\n\nBackground letter frequencies\n"
              "A 0.29999999999999999 C 0.20000000000000001 G 0.20000000000000001 T 0.29999999999999999\n\n");
    EXPECT_NE(meme.find("MOTIF KRP\nletter-probability matrix: alength= 4 w= 19 nsites= 17 E= 0\n"
                        " 0 0.17647099999999999 0 0.82352899999999996\n"),
              std::string::npos);
    EXPECT_EQ(fileSafeName("DinR/LexA"), "DinR_LexA");
    EXPECT_EQ(fileSafeName("a b:c-1.2_x"), "a_b_c-1.2_x");
}
