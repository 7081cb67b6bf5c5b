// The run's strand scan (table scores, letters made from the sequence as
// read, the ring of slots, one thread or two; hits kept in compact records,
// then rescaled and sorted) against the plain reading of the rules in
// tests/support. Every kept hit, every mean and every sorted hit must come
// out the same to the last bit.
#include "scan/StrandScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "results/HitSort.h"
#include "scan/Complement.h"
#include "scan/ScanHits.h"
#include "scoring/IntegrationWindows.h"
#include "scoring/ScoreSense.h"
#include "scoring/ScoreTable.h"
#include "sequences/Sequence.h"
#include "support/ReferenceScan.h"

namespace {

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void expectSameHit(const Sequence& sequence, const reference::KeptWindow& expected, const Hit& actual,
                   const WindowMeans& actualMeans)
{
    EXPECT_EQ(reference::windowLetters(sequence, expected), windowLetters(sequence.bases, actual));
    EXPECT_EQ(expected.position, actual.position);
    EXPECT_EQ(expected.windowLength, actual.windowLength);
    EXPECT_EQ(expected.forward, actual.forward);
    EXPECT_TRUE(sameBits(expected.score, actual.score)) << expected.score << " " << actual.score;
    EXPECT_TRUE(sameBits(expected.means.local, actualMeans.local));
    EXPECT_TRUE(sameBits(expected.means.up, actualMeans.up));
    EXPECT_TRUE(sameBits(expected.means.down, actualMeans.down));
}

std::string randomText(std::mt19937& random, std::size_t length, const std::string& letters)
{
    std::uniform_int_distribution<std::size_t> pick(0, letters.size() - 1);
    std::string text(length, 'A');
    for (char& letter : text)
        letter = letters[pick(random)];
    return text;
}

// Mostly bases, with ambiguity letters and bytes outside every table now and then.
std::string randomSequence(std::mt19937& random, std::size_t length)
{
    std::string text = randomText(random, length, "ACGT");
    std::uniform_int_distribution<int> chance(0, 19);
    const std::string odd = "NRYKMSWBDHVUX-";
    std::uniform_int_distribution<std::size_t> pickOdd(0, odd.size() - 1);
    for (char& letter : text)
        if (chance(random) == 0)
            letter = odd[pickOdd(random)];
    return text;
}

// A literal cut-off that about a fifth of the forward windows pass.
double cutoffForAFifth(const Sequence& sequence, const SiteCollection& collection, std::int32_t method)
{
    std::vector<double> scores;
    const std::string circular = sequence.bases + sequence.bases;
    for (std::size_t start = 0; start < sequence.bases.size(); ++start)
        scores.push_back(reference::score(method, circular.substr(start, collection.siteLength), sequence, collection));
    std::sort(scores.begin(), scores.end());
    return scores[ScoreSense::ofMethod(method).lowerIsBetter() ? scores.size() / 5
                                                               : scores.size() - scores.size() / 5 - 1];
}

struct ScanCase {
    bool useIntegration;
    std::int32_t upStart, upEnd, downStart, downEnd;
};

// Scans random sequences with every method code both ways and compares.
void expectSameScans(const ScanCase& scanCase, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> siteLengths(3, 14);
    const std::size_t siteLength = siteLengths(random);
    std::vector<std::string> sites;
    for (int i = 0; i < 25; ++i)
        sites.push_back(randomText(random, siteLength, "ACGTACGTACGTRYKMSWBDHVN"));
    // A site that also occurs in the sequences, so that hits on both strands meet and merge.
    sites.push_back(sites.front());

    Options options;
    options.useIntegration = scanCase.useIntegration;
    options.upstreamMeanStart = scanCase.upStart;
    options.upstreamMeanEnd = scanCase.upEnd;
    options.downstreamMeanStart = scanCase.downStart;
    options.downstreamMeanEnd = scanCase.downEnd;
    IntegrationWindows geometry;
    buildIntegrationWindows(options, geometry);

    std::uniform_int_distribution<std::size_t> lengths(0, 300);
    for (std::int32_t method = 0; method <= 12; ++method) {
        SCOPED_TRACE("method " + std::to_string(method));
        options.methodCode = method;
        options.mergeStrandPairs = method % 2 == 0;
        options.sortByScore = method % 3 == 0;
        Sequence sequence;
        sequence.bases = randomSequence(random, siteLength + 2 * geometry.centreIndex + lengths(random));
        sequence.bases.replace(sequence.bases.size() / 2, siteLength, sites.front());
        const SiteCollection collection = SiteCollection::fromSites(sites, sequence);
        options.cutoff = method == 0 || method == 12 ? -1.0 : cutoffForAFifth(sequence, collection, method);

        const reference::Scan expected = reference::scan(sequence, collection, options, geometry);
        ASSERT_FALSE(expected.kept.empty());
        const std::vector<reference::KeptWindow> expectedSorted =
            reference::sorted(expected.kept, expected.globalMean, options);
        const ScoreTable table(method, sequence, collection);
        for (const bool inParallel : {false, true}) {
            SCOPED_TRACE(inParallel ? "both strands at once" : "one strand after the other");
            IntegrationWindows windows = geometry;
            ScanHits found(collection.siteLength);
            const std::string letters = sequence.bases;
            EXPECT_EQ(scanStrands(sequence.bases, table, options, windows, found, inParallel), expected.textLength);
            EXPECT_EQ(sequence.bases, letters);
            if (options.useIntegration) {
                EXPECT_TRUE(sameBits(windows.globalMean, expected.globalMean));
            }
            ASSERT_EQ(found.records().size(), expected.kept.size());
            for (std::size_t i = 0; i < expected.kept.size(); ++i) {
                SCOPED_TRACE("record " + std::to_string(i));
                const ScanHit& record = found.records()[i];
                const reference::KeptWindow& hit = expected.kept[i];
                EXPECT_EQ(record.position, hit.position);
                EXPECT_EQ(record.forward, hit.forward);
                const WindowMeans means = found.meansOf(i);
                EXPECT_TRUE(sameBits(record.score, hit.score) && sameBits(means.local, hit.means.local)
                            && sameBits(means.up, hit.means.up) && sameBits(means.down, hit.means.down));
            }
            if (options.useIntegration)
                found.applyIntegrationRatio(windows.globalMean, options);
            Sequence stored;
            storeSortedHits(found, stored, options);
            ASSERT_EQ(stored.hits.size(), expectedSorted.size());
            for (std::size_t i = 0; i < expectedSorted.size(); ++i) {
                SCOPED_TRACE("sorted hit " + std::to_string(i));
                expectSameHit(sequence, expectedSorted[i], stored.hits[i], stored.meansOf(i));
            }
        }
    }
}

} // namespace

TEST(StrandScan, MatchesTheRulesWithoutIntegration)
{
    for (std::uint32_t seed = 1; seed <= 6; ++seed)
        expectSameScans({false, -500, -1, 1, 500}, seed);
}

TEST(StrandScan, MatchesTheRulesUnderIntegration)
{
    const std::vector<ScanCase> cases = {
        {true, -2, -1, 1, 2}, // the smallest span, W = 5
        {true, -5, -1, 1, 5},
        {true, -3, -1, 1, 40},    // uneven intervals in a symmetric span
        {true, -30, -10, -10, 3}, // intervals sharing a window, both upstream of the centre
    };
    std::uint32_t seed = 100;
    for (const ScanCase& scanCase : cases) {
        SCOPED_TRACE(scanCase.downEnd);
        expectSameScans(scanCase, ++seed);
        expectSameScans(scanCase, ++seed);
    }
}

TEST(StrandScan, WindowsCrossTheOriginAndReverseOnesSitAWindowLengthOn)
{
    // ACGTT with windows of 2, every window kept and none merged: forward AC,
    // CG, GT, TT, TA at 0..4, then the reverse text AACGT + AA gives AA, AC,
    // CG, GT, TA at 5, 4, 3, 2, 1.
    Sequence sequence;
    sequence.bases = "ACGTT";
    const SiteCollection collection = SiteCollection::fromSites({"AC", "GT"}, sequence);
    Options options;
    options.mergeStrandPairs = false;
    options.cutoff = -1e300;
    IntegrationWindows windows;
    buildIntegrationWindows(options, windows);
    ScanHits found(2);
    EXPECT_EQ(scanStrands(sequence.bases, ScoreTable(options.methodCode, sequence, collection), options, windows, found,
                          false),
              7u);
    const auto keptOf = [&](const ScanHits& scanned) {
        std::vector<std::string> kept;
        for (const ScanHit& record : scanned.records()) {
            Hit hit(2);
            hit.position = record.position;
            hit.forward = record.forward;
            kept.push_back(windowLetters(sequence.bases, hit) + "@" + std::to_string(record.position)
                           + (record.forward ? "+" : "-"));
        }
        return kept;
    };
    EXPECT_EQ(keptOf(found), (std::vector<std::string>{"AC@0+", "CG@1+", "GT@2+", "TT@3+", "TA@4+", "AA@5-", "AC@4-",
                                                       "CG@3-", "GT@2-", "TA@1-"}));

    // As a linear molecule: the S - L + 1 windows of each strand that do not
    // run across its ends (TA, forward and reverse), at the same positions.
    ScanHits linear(2);
    scanStrands(sequence.bases, ScoreTable(options.methodCode, sequence, collection), options, windows, linear, false,
                false);
    EXPECT_EQ(keptOf(linear),
              (std::vector<std::string>{"AC@0+", "CG@1+", "GT@2+", "TT@3+", "AA@5-", "AC@4-", "CG@3-", "GT@2-"}));
}
