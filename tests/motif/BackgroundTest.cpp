#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "motif/Background.h"
#include "sequences/Sequence.h"

namespace {

Sequence composed(const std::string& bases)
{
    Sequence sequence;
    sequence.bases = bases;
    computeBackground(sequence);
    return sequence;
}

std::string threeDecimals(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

} // namespace

TEST(Background, MatchesTheWorkedCompositions)
{
    const Sequence even = composed("ACGT");
    EXPECT_EQ(even.backgroundA, 0.25);
    EXPECT_NEAR(even.aprioriEntropy, 1.99999990485, 5e-12);

    const Sequence skewed = composed("AAAACCGT");
    EXPECT_EQ(skewed.backgroundA, 0.3125);
    EXPECT_EQ(skewed.backgroundT, 0.3125);
    EXPECT_EQ(skewed.backgroundC, 0.1875);
    EXPECT_EQ(skewed.backgroundG, 0.1875);
    EXPECT_NEAR(skewed.aprioriEntropy, 1.95443390995, 5e-12);

    const Sequence weak = composed("ACGW");
    EXPECT_EQ(weak.backgroundA, 0.25);
    EXPECT_EQ(weak.backgroundC, 0.25);
    EXPECT_EQ(weak.aprioriEntropy, even.aprioriEntropy);
}

TEST(Background, AmbiguityLettersCountAsFractions)
{
    // B adds single-precision 0.33 to C, G and T; N a quarter to each base.
    const Sequence sequence = composed("BN");
    EXPECT_EQ(sequence.backgroundA, (0.25 + (0.33000001311302185 + 0.25)) / 4.0);
    EXPECT_EQ(sequence.backgroundC, ((0.33000001311302185 + 0.25) + (0.33000001311302185 + 0.25)) / 4.0);
}

TEST(Background, OtherBytesCountInTheLengthOnly)
{
    const Sequence sequence = composed("ACXGTXAC");
    EXPECT_EQ(sequence.backgroundA + sequence.backgroundC + sequence.backgroundG + sequence.backgroundT, 0.75);
}

TEST(Background, AbsentBasesAddNothingToTheEntropy)
{
    const Sequence weakOnly = composed("AATT");
    EXPECT_EQ(weakOnly.backgroundC, 0.0);
    EXPECT_NEAR(weakOnly.aprioriEntropy, 1.0, 1e-7);

    for (const std::string& bases : {std::string("--XX"), std::string()}) {
        const Sequence none = composed(bases);
        EXPECT_EQ(none.backgroundA, 0.0);
        EXPECT_EQ(none.backgroundC, 0.0);
        EXPECT_EQ(none.aprioriEntropy, 0.0);
        EXPECT_FALSE(std::signbit(none.aprioriEntropy));
        EXPECT_EQ(threeDecimals(none.aprioriEntropy), "0.000");
    }
}

TEST(Background, OtherLettersHaveAQuarter)
{
    const Sequence sequence = composed("AAAT");
    EXPECT_EQ(backgroundProbability(sequence, 'A'), 0.5);
    EXPECT_EQ(backgroundProbability(sequence, 'C'), 0.0);
    for (unsigned char other : {'N', 'U', 'a', 'R'})
        EXPECT_EQ(backgroundProbability(sequence, other), 0.25);
}
