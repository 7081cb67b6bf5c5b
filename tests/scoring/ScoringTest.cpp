#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "motif/Log2.h"
#include "motif/SiteCollection.h"
#include "scoring/ScoreTable.h"
#include "scoring/Scoring.h"
#include "sequences/Sequence.h"

namespace {

// The score as the logs print it: 6 significant digits.
std::string printed(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

double score(std::int32_t method, const std::string& window, const Sequence& sequence, const SiteCollection& collection)
{
    return ScoreTable(method, sequence, collection).score(window.data());
}

// Hides a constant from the compiler, so that expected values take their
// logarithms from the same run-time library as the code under test.
double opaque(double value)
{
    volatile double held = value;
    return held;
}

struct WorkedCase {
    std::int32_t method;
    const char* windowAG;
    const char* windowTT;
};

} // namespace

TEST(ScoreWindow, WorkedExampleOfTwoSitesForAllElevenMethods)
{
    const Sequence uniform;
    SiteCollection collection = SiteCollection::fromSites({"AC", "AG"}, uniform);
    const std::vector<WorkedCase> cases = {
        {1, "1.41504", "-1.16992"},   {2, "0", "1.79176"},           {3, "0", "2.89037"},
        {4, "0.0817042", "-2.42155"}, {5, "2.41504", "-1.75489"},    {6, "2.5", "0"},
        {7, "2.41504", "-1.75489"},   {8, "0.0817042", "-2.42155"},  {9, "1.41504", "-1.16992"},
        {10, "-2.58496", "-12.9248"}, {11, "0.0817042", "-1.50326"},
    };
    for (const WorkedCase& c : cases) {
        SCOPED_TRACE(c.method);
        EXPECT_EQ(printed(score(c.method, "AG", uniform, collection)), c.windowAG);
        EXPECT_EQ(printed(score(c.method, "TT", uniform, collection)), c.windowTT);
    }
}

TEST(ScoreWindow, ConsensusIsBestForTheConsensusMethods)
{
    const Sequence uniform;
    SiteCollection collection = SiteCollection::fromSites({"ACGT", "ACGA", "TCGT"}, uniform);
    EXPECT_EQ(score(2, "ACGT", uniform, collection), 0.0);
    EXPECT_EQ(score(3, "ACGT", uniform, collection), 0.0);

    // Method 10 gives the consensus the sum of log2 p(c), its highest value.
    double expected = 0.0;
    for (const MotifColumn& column : collection.columns) {
        const double f = column.consensus == 'A' ? column.freqA
                       : column.consensus == 'C' ? column.freqC
                       : column.consensus == 'G' ? column.freqG
                                                 : column.freqT;
        expected += log2Bits((f + 1.0 / 3.0) / (1.0 + 4.0 / 3.0));
    }
    EXPECT_DOUBLE_EQ(score(10, "ACGT", uniform, collection), expected);
    EXPECT_LT(score(10, "TCGA", uniform, collection), expected);
}

TEST(ScoreWindow, UnknownLettersTakeAQuarterAndTheUniformBackground)
{
    Sequence skewed;
    skewed.backgroundA = skewed.backgroundT = 0.4;
    skewed.backgroundC = skewed.backgroundG = 0.1;
    skewed.aprioriEntropy = 1.7;
    SiteCollection collection = SiteCollection::fromSites({"AC", "AG"}, skewed);

    const double pN = opaque((0.25 + 0.5) / (1.0 + 2.0));
    const double termN = 1.7 + log2Bits(pN);
    EXPECT_EQ(score(1, "NN", skewed, collection), termN + termN);
    const double termN9 = log2Bits(pN / 0.25);
    EXPECT_EQ(score(9, "NN", skewed, collection), termN9 + termN9);
    // R takes the mean of A and G from its column but 0.25 as background.
    const double termR =
        log2Bits(opaque((0.5 + 0.5) / (1.0 + 2.0) / 0.25)) + log2Bits(opaque((0.25 + 0.5) / (1.0 + 2.0) / 0.25));
    EXPECT_EQ(score(9, "RR", skewed, collection), termR);
}

TEST(ScoreWindow, UIsATForFrequenciesButUnknownInTheWindowUpdate)
{
    const Sequence uniform;
    SiteCollection collection = SiteCollection::fromSites({"TA", "TC"}, uniform);
    for (std::int32_t method : {1, 2, 3, 5, 6, 7, 10})
        EXPECT_EQ(score(method, "UA", uniform, collection), score(method, "TA", uniform, collection)) << method;
    EXPECT_EQ(score(11, "UA", uniform, collection), score(11, "NA", uniform, collection));
    EXPECT_NE(score(11, "UA", uniform, collection), score(11, "TA", uniform, collection));
    // Background of U is 0.25 even when T's is not.
    Sequence skewed;
    skewed.backgroundT = 0.4;
    EXPECT_NE(score(9, "UA", skewed, collection), score(9, "TA", skewed, collection));
}

TEST(ScoreWindow, SingleSiteUsesPseudocountsOfOneFifth)
{
    const Sequence uniform;
    SiteCollection collection = SiteCollection::fromSites({"A"}, uniform);
    EXPECT_EQ(score(1, "C", uniform, collection), 2.0 + log2Bits(opaque((0.0 + 1.0) / (1.0 + 4.0))));
    EXPECT_EQ(score(2, "C", uniform, collection), std::log(opaque((1.0 + 1.0) / (0.0 + 1.0))));
}

TEST(BaseFrequency, AveragesAmbiguityLettersOverTheirBases)
{
    const Sequence uniform;
    const SiteCollection collection = SiteCollection::fromSites({"A", "A", "C", "G"}, uniform);
    EXPECT_EQ(baseFrequency(collection, 'A', 0), 0.5);
    EXPECT_EQ(baseFrequency(collection, 'R', 0), (0.5 + 0.25) * 0.5);
    EXPECT_EQ(baseFrequency(collection, 'V', 0), (0.5 + 0.25 + 0.25) / 3.0);
    EXPECT_EQ(baseFrequency(collection, 'B', 0), (0.25 + 0.25 + 0.0) / 3.0);
    EXPECT_EQ(baseFrequency(collection, 'U', 0), 0.0);
    for (unsigned char other : {'N', '-', 'a', 'X'})
        EXPECT_EQ(baseFrequency(collection, other, 0), 0.25);
    EXPECT_THROW(baseFrequency(collection, 'A', 1), std::out_of_range);
}

TEST(WindowUpdate, AddsTheLetterAsOneMoreSite)
{
    const Sequence uniform;
    const SiteCollection collection = SiteCollection::fromSites({"A", "C"}, uniform);
    const TermInputs inputs(collection, uniform);
    // B adds single-precision 0.333 to C, G and T; the sums are divided by N + 1 = 3.
    const double share = opaque(double(0.333f));
    const double a = opaque(1.0 / 3.0 + 1e-100);
    const double c = (1.0 + share) / 3.0 + 1e-100;
    const double g = share / 3.0 + 1e-100;
    const double t = share / 3.0 + 1e-100;
    const double rsequence = 2.0 + a * log2Bits(a) + c * log2Bits(c) + g * log2Bits(g) + t * log2Bits(t);
    EXPECT_EQ(updatedColumnMeasure(4, inputs, 0, 'B'), rsequence);
    EXPECT_EQ(updatedColumnMeasure(11, inputs, 0, 'B'), rsequence);

    const double a2 = opaque(2.0 / 3.0 + 1e-100);
    const double c2 = opaque(1.0 / 3.0 + 1e-100);
    const double zero = opaque(0.0 + 1e-100);
    EXPECT_EQ(updatedColumnMeasure(8, inputs, 0, 'A'), a2 * log2Bits(a2 / 0.25) + c2 * log2Bits(c2 / 0.25)
                                                           + zero * log2Bits(zero / 0.25)
                                                           + zero * log2Bits(zero / 0.25));
    for (std::int32_t other : {1, 5, 12})
        EXPECT_EQ(updatedColumnMeasure(other, inputs, 0, 'A'), 0.0);
}
