#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "motif/Background.h"
#include "motif/SiteCollection.h"
#include "scoring/ScoreTable.h"
#include "sequences/Sequence.h"
#include "support/ReferenceScan.h"

namespace {

const std::string siteLetters = "ACGTRYKMSWBDHVN";

std::vector<std::string> randomSites(std::size_t count, std::size_t length, const std::string& letters,
                                     std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    std::vector<std::string> sites(count, std::string(length, 'A'));
    for (std::string& site : sites)
        for (char& letter : site)
            letter = letters[pick(random)];
    return sites;
}

Sequence sequenceOf(const std::string& bases)
{
    Sequence sequence;
    sequence.bases = bases;
    return sequence;
}

// Same 64-bit pattern: tells -0.0 from 0.0 and compares NaNs by their bits.
bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Scores 256 windows in which every byte value sits once at every column,
// with every method code 0..12, term by term and by the table, one window
// at a time and in blocks.
void expectTableMatchesReference(const Sequence& scanned, const SiteCollection& collection)
{
    const std::uint32_t length = collection.siteLength;
    std::string letters(256 + ScoreTable::blockLength + length, 'A');
    for (std::size_t i = 0; i < letters.size(); ++i)
        letters[i] = static_cast<char>((37 * i) % 256);
    for (std::int32_t method = 0; method <= 12; ++method) {
        SCOPED_TRACE(method);
        const ScoreTable table(method, scanned, collection);
        ASSERT_EQ(table.windowLength(), length);
        int mismatches = 0;
        double block[ScoreTable::blockLength];
        for (std::size_t start = 0; start < 256; ++start) {
            const double expected = reference::score(method, letters.substr(start, length), scanned, collection);
            if (start % ScoreTable::blockLength == 0)
                table.scoreBlock(letters.data() + start, block);
            const double one = table.score(letters.data() + start);
            const double inBlock = block[start % ScoreTable::blockLength];
            if ((!sameBits(expected, one) || !sameBits(expected, inBlock)) && ++mismatches <= 3)
                ADD_FAILURE() << "window " << start << ": terms " << expected << ", table " << one << " / " << inBlock;
        }
        EXPECT_EQ(mismatches, 0);
    }
}

} // namespace

TEST(ScoreTable, MatchesTheReferenceOnAUniformBackground)
{
    const Sequence uniform;
    SiteCollection few = SiteCollection::fromSites({"ACGTTGCA", "ACGATGCA", "TCGTTGCC"}, uniform);
    expectTableMatchesReference(uniform, few);
    SiteCollection many = SiteCollection::fromSites(randomSites(300, 16, "ACGT", 7), uniform);
    expectTableMatchesReference(uniform, many);
}

TEST(ScoreTable, MatchesTheReferenceWithASingleSite)
{
    const Sequence uniform;
    SiteCollection plain = SiteCollection::fromSites({"TTACTGTATATAAAACAGTA"}, uniform);
    expectTableMatchesReference(uniform, plain);
    SiteCollection ambiguous = SiteCollection::fromSites({"ARYKMSWBDHVN"}, uniform);
    expectTableMatchesReference(uniform, ambiguous);
}

TEST(ScoreTable, MatchesTheReferenceWithIupacSitesOnAComputedBackground)
{
    std::string bases;
    std::mt19937 random(11);
    std::discrete_distribution<int> skewed({40, 10, 15, 35, 1, 1, 1});
    for (int i = 0; i < 5000; ++i)
        bases += "ACGTNRW"[skewed(random)];
    Sequence computed = sequenceOf(bases);
    computeBackground(computed);
    ASSERT_NE(computed.aprioriEntropy, 2.0);

    SiteCollection many = SiteCollection::fromSites(randomSites(250, 12, siteLetters, 3), computed);
    expectTableMatchesReference(computed, many);
    // A sequence scanned with a model built against another background.
    const Sequence uniform;
    SiteCollection fromUniform = SiteCollection::fromSites(randomSites(40, 10, siteLetters, 5), uniform);
    expectTableMatchesReference(computed, fromUniform);
}

TEST(ScoreTable, MatchesTheReferenceWhenABaseIsAbsentFromTheBackground)
{
    // No C or G: their background is 0, so some terms are infinite and some
    // sums NaN, which the table must reproduce to the bit as well.
    Sequence noGC = sequenceOf("AATT");
    computeBackground(noGC);
    ASSERT_EQ(noGC.backgroundC, 0.0);
    SiteCollection collection = SiteCollection::fromSites(randomSites(120, 9, siteLetters, 9), noGC);
    expectTableMatchesReference(noGC, collection);
    SiteCollection single = SiteCollection::fromSites({"GCGCATAT"}, noGC);
    expectTableMatchesReference(noGC, single);
}

TEST(ScoreTable, UnknownCodesScorePositiveZero)
{
    const Sequence uniform;
    const SiteCollection collection = SiteCollection::fromSites({"AC", "AG"}, uniform);
    for (std::int32_t method : {0, 12, -5})
        EXPECT_TRUE(sameBits(ScoreTable(method, uniform, collection).score("AG"), 0.0)) << method;
}
