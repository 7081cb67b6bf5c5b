// Vector scoring against the table's own sums, bit for bit, on every path
// this machine offers: the scalar one and each vector instruction set.
#include "scoring/WindowScores.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "motif/SiteCollection.h"
#include "options/Method.h"
#include "scoring/VectorSets.h"
#include "sequences/Sequence.h"

namespace {

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Long runs of plain bases, so that whole vector groups fill, and stretches
// where other letters and bytes come often, so that groups fall back.
std::string mixedText(std::mt19937& random, std::size_t length)
{
    const std::string odd = "NRYKMSWBDHVUXacgt-\x01\xff";
    std::uniform_int_distribution<std::size_t> base(0, 3), other(0, odd.size() - 1), chance(0, 99);
    std::string text(length, 'A');
    for (std::size_t i = 0; i < length; ++i) {
        const bool busy = (i / 3000) % 3 == 2;
        text[i] = chance(random) < (busy ? 20u : 0u) ? odd[other(random)] : "ACGT"[base(random)];
    }
    return text;
}

// Restores the best path when a test ends, whatever it chose.
struct BestPathAfterwards {
    ~BestPathAfterwards() { chooseScoringPath(scoringPaths().back() == "scalar" ? "scalar" : scoringPaths()[1]); }
};

} // namespace

TEST(WindowScores, EveryPathGivesTheTablesSums)
{
    const BestPathAfterwards restore;
    std::mt19937 random(11);
    const std::string text = mixedText(random, 16000);
    const std::vector<std::size_t> counts = {1, 7, 33, 2047, 2048, 2049, 6000};
    for (const std::string& path : scoringPaths()) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(chooseScoringPath(path));
        EXPECT_EQ(scoringPath(), path);
        for (const std::size_t siteLength : {1, 5, 20, 37}) {
            std::vector<std::string> sites;
            for (int i = 0; i < 12; ++i)
                sites.push_back(text.substr(500 + 97 * i, siteLength));
            Sequence sequence;
            sequence.bases = text;
            const SiteCollection collection = SiteCollection::fromSites(sites, sequence);
            for (std::int32_t method = 0; method <= 12; ++method) {
                const ScoreTable table(method, sequence, collection);
                const WindowScores scorer(table);
                int mismatches = 0;
                for (const std::size_t count : counts) {
                    const std::size_t start = (count * 7) % 3000 + (method % 3) * 3000;
                    std::vector<double> scores(count);
                    scorer.score(text.data() + start, count, scores.data());
                    for (std::size_t j = 0; j < count; ++j)
                        if (!sameBits(scores[j], table.score(text.data() + start + j)) && ++mismatches <= 3)
                            ADD_FAILURE() << "method " << method << ", length " << siteLength << ", window "
                                          << start + j << ": " << scores[j];
                    // In both senses, a cut-off that one window's score ties,
                    // and one that only the best scores pass, by the least
                    // step, which rough sums must not miss. The windows that
                    // pass and their scores are the same.
                    const auto [lowest, highest] = std::minmax_element(scores.begin(), scores.end());
                    const double inf = std::numeric_limits<double>::infinity();
                    for (const bool lowerBetter : {false, true})
                        for (const double cutoff : {scores[count / 2], lowerBetter ? std::nextafter(*lowest, inf)
                                                                                   : std::nextafter(*highest, -inf)}) {
                            const CutoffTest test{cutoff, ScoreSense(lowerBetter)};
                            std::vector<std::uint32_t> expected;
                            for (std::uint32_t j = 0; j < count; ++j)
                                if (test.passes(scores[j]))
                                    expected.push_back(j);
                            std::vector<double> again(count);
                            std::vector<std::uint32_t> passing(count);
                            passing.resize(
                                scorer.scorePassing(text.data() + start, count, test, again.data(), passing.data()));
                            EXPECT_EQ(passing, expected) << "method " << method << ", length " << siteLength;
                            for (const std::uint32_t j : passing)
                                EXPECT_TRUE(sameBits(again[j], scores[j]));
                        }
                }
                EXPECT_EQ(mismatches, 0);
            }
        }
    }
}
