// The run's strand scan (table scores, text offsets, ring of slots; one
// strand at a time or both at once on two threads; hits kept in compact
// records, then rescaled and sorted) against the reference loop it replaces:
// window by window with nextWindow, the reference scorer, the integration
// buffer of Hits, considerHit, applyIntegrationRatio and sortHits. Every kept
// hit, every mean and the text must come out the same to the last bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "results/Hit.h"
#include "results/HitFilter.h"
#include "results/ScanHits.h"
#include "scoring/IntegrationWindows.h"
#include "scoring/ScoreTable.h"
#include "scoring/Scoring.h"
#include "sequences/Sequence.h"

namespace {

// One pass the reference way, with a fresh Hit per evaluated centre window.
void referencePass(Sequence& sequence, SiteCollection& collection, const Options& options,
                   IntegrationWindows& windows, Hit& working)
{
    const std::uint32_t siteLength = collection.siteLength;
    const auto method = static_cast<std::uint32_t>(options.methodCode);
    sequence.extendForScan(options.useIntegration, siteLength, windows.windowCount);
    sequence.windowsTaken = 0;
    sequence.windowCursor = 0;
    working.reset();
    if (options.useIntegration) {
        primeIntegrationWindows(sequence, windows, collection, options);
        const std::uint32_t start = windows.centreIndex + 1;
        if (sequence.bases.size() > start) {
            sequence.windowCursor = start;
            sequence.windowsTaken = start;
        }
    }
    for (;;) {
        sequence.nextWindow(siteLength, working.window);
        working.forward = sequence.forward;
        working.position = sequence.windowPosition(siteLength);
        if (working.window.empty())
            break;
        scoreWindow(method, working, sequence, collection);
        if (!options.useIntegration) {
            considerHit(working, options, sequence);
            continue;
        }
        Hit centre(siteLength);
        takeCentreHit(windows, centre);
        if (!sequence.forward)
            working.position -= windows.centreIndex;
        slideIntegrationWindows(windows, working, sequence);
        considerHit(centre, options, sequence);
    }
    if (sequence.forward)
        sequence.reverseComplement();
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void expectSameHit(const Hit& reference, const Hit& fast)
{
    EXPECT_EQ(reference.window, fast.window);
    EXPECT_EQ(reference.position, fast.position);
    EXPECT_EQ(reference.windowLength, fast.windowLength);
    EXPECT_EQ(reference.forward, fast.forward);
    EXPECT_TRUE(sameBits(reference.score, fast.score)) << reference.score << " " << fast.score;
    EXPECT_TRUE(sameBits(reference.upMean, fast.upMean));
    EXPECT_TRUE(sameBits(reference.downMean, fast.downMean));
    EXPECT_TRUE(sameBits(reference.localMean, fast.localMean));
    EXPECT_EQ(reference.type, fast.type);
    EXPECT_EQ(reference.distance, fast.distance);
    EXPECT_EQ(reference.geneStart, fast.geneStart);
    EXPECT_EQ(reference.geneEnd, fast.geneEnd);
    EXPECT_EQ(reference.geneForward, fast.geneForward);
    EXPECT_EQ(reference.geneTag, fast.geneTag);
    EXPECT_EQ(reference.geneName, fast.geneName);
    EXPECT_EQ(reference.geneProduct, fast.geneProduct);
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
double cutoffForAFifth(const Sequence& sequence, SiteCollection& collection, std::uint32_t method)
{
    std::vector<double> scores;
    const std::string circular = sequence.bases + sequence.bases;
    Hit hit(collection.siteLength);
    for (std::size_t start = 0; start < sequence.bases.size(); ++start) {
        hit.window = circular.substr(start, collection.siteLength);
        scoreWindow(method, hit, sequence, collection);
        scores.push_back(hit.score);
    }
    std::sort(scores.begin(), scores.end());
    const bool lowerBetter = lowerIsBetter(static_cast<std::int32_t>(method));
    return scores[lowerBetter ? scores.size() / 5 : scores.size() - scores.size() / 5 - 1];
}

struct ScanCase {
    bool useIntegration;
    std::int32_t upStart, upEnd, downStart, downEnd;
};

// Runs both passes of every sequence both ways and compares the outcomes.
void expectSameScans(const ScanCase& scanCase, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> siteLengths(3, 14);
    const std::size_t siteLength = siteLengths(random);
    std::vector<std::string> sites;
    for (int i = 0; i < 25; ++i)
        sites.push_back(randomText(random, siteLength, "ACGTACGTACGTRYKMSWBDHVN"));
    // A site that also occurs in the sequences, reverse-complemented too, so
    // that hits on both strands meet and merge.
    sites.push_back(sites.front());

    Options options;
    options.useIntegration = scanCase.useIntegration;
    options.upstreamMeanStart = scanCase.upStart;
    options.upstreamMeanEnd = scanCase.upEnd;
    options.downstreamMeanStart = scanCase.downStart;
    options.downstreamMeanEnd = scanCase.downEnd;
    IntegrationWindows referenceWindows;
    IntegrationWindows fastWindows;
    IntegrationWindows parallelWindows;
    buildIntegrationWindows(options, referenceWindows);
    buildIntegrationWindows(options, fastWindows);
    buildIntegrationWindows(options, parallelWindows);

    std::uniform_int_distribution<std::size_t> lengths(0, 300);
    for (std::uint32_t method = 0; method <= 12; ++method) {
        SCOPED_TRACE("method " + std::to_string(method));
        options.methodCode = static_cast<std::int32_t>(method);
        options.mergeStrandPairs = method % 2 == 0;
        Sequence original;
        original.bases = randomSequence(random, siteLength + 2 * referenceWindows.centreIndex + lengths(random));
        original.bases.replace(original.bases.size() / 2, siteLength, sites.front());
        SiteCollection collection = SiteCollection::fromSites(sites, original);
        options.cutoff = method == 0 || method == 12 ? -1.0 : cutoffForAFifth(original, collection, method);

        Sequence reference = original;
        Hit referenceWorking(collection.siteLength);
        Sequence fast = original;
        Hit fastWorking(collection.siteLength);
        const ScoreTable table(method, fast, collection);
        for (int pass = 0; pass < 2; ++pass) {
            referencePass(reference, collection, options, referenceWindows, referenceWorking);
            fast.scanStrand(table, options, fastWindows, fastWorking);
            EXPECT_TRUE(sameBits(referenceWindows.globalMean, fastWindows.globalMean)) << pass;
        }
        EXPECT_EQ(reference.bases, fast.bases);
        EXPECT_EQ(reference.forward, fast.forward);
        EXPECT_EQ(reference.windowsTaken, fast.windowsTaken);
        EXPECT_EQ(reference.windowCursor, fast.windowCursor);
        ASSERT_EQ(reference.hits.size(), fast.hits.size());
        EXPECT_FALSE(fast.hits.empty());
        for (std::size_t i = 0; i < fast.hits.size(); ++i) {
            SCOPED_TRACE("hit " + std::to_string(i));
            expectSameHit(reference.hits[i], fast.hits[i]);
        }

        // The run's way: both passes into compact records, one thread or two,
        // then the ratio of integration and the sort on those records.
        options.sortByScore = method % 3 == 0;
        Sequence sorted = reference;
        sorted.globalScoreMean = referenceWindows.globalMean;
        if (options.useIntegration)
            applyIntegrationRatio(sorted, options);
        sortHits(sorted, options);
        for (const bool inParallel : {false, true}) {
            SCOPED_TRACE(inParallel ? "both strands at once" : "one strand after the other");
            Sequence scanned = original;
            ScanHits found(collection.siteLength);
            scanned.scanBothStrands(table, options, inParallel ? parallelWindows : fastWindows, found, inParallel);
            const IntegrationWindows& windows = inParallel ? parallelWindows : fastWindows;
            EXPECT_TRUE(sameBits(referenceWindows.globalMean, windows.globalMean));
            EXPECT_EQ(reference.bases, scanned.bases);
            EXPECT_EQ(reference.forward, scanned.forward);
            EXPECT_EQ(reference.windowsTaken, scanned.windowsTaken);
            EXPECT_EQ(reference.windowCursor, scanned.windowCursor);
            ASSERT_EQ(reference.hits.size(), found.records().size());
            for (std::size_t i = 0; i < reference.hits.size(); ++i) {
                SCOPED_TRACE("record " + std::to_string(i));
                const Hit& expected = reference.hits[i];
                const ScanHit& record = found.records()[i];
                EXPECT_EQ(expected.window, found.lettersOf(i));
                EXPECT_EQ(expected.position, record.position);
                EXPECT_EQ(expected.forward, record.forward);
                EXPECT_TRUE(sameBits(expected.score, record.score));
                EXPECT_TRUE(sameBits(expected.localMean, record.localMean));
                EXPECT_TRUE(sameBits(expected.upMean, record.upMean));
                EXPECT_TRUE(sameBits(expected.downMean, record.downMean));
            }
            if (options.useIntegration)
                found.applyIntegrationRatio(windows.globalMean, options);
            found.moveSortedInto(scanned, options);
            ASSERT_EQ(sorted.hits.size(), scanned.hits.size());
            for (std::size_t i = 0; i < sorted.hits.size(); ++i) {
                SCOPED_TRACE("sorted hit " + std::to_string(i));
                expectSameHit(sorted.hits[i], scanned.hits[i]);
            }
        }
    }
}

} // namespace

TEST(FastScan, MatchesTheReferenceLoopWithoutIntegration)
{
    for (std::uint32_t seed = 1; seed <= 6; ++seed)
        expectSameScans({false, -500, -1, 1, 500}, seed);
}

TEST(FastScan, MatchesTheReferenceLoopUnderIntegration)
{
    const std::vector<ScanCase> cases = {
        {true, -2, -1, 1, 2},     // the smallest span, W = 5
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
