#include "results/HitFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "options/Options.h"
#include "results/Hit.h"
#include "results/ScanHits.h"
#include "scoring/IntegrationWindows.h"
#include "sequences/Sequence.h"

namespace {

Hit makeHit(std::uint32_t position, bool forward, double score, std::uint32_t windowLength = 10)
{
    Hit hit(windowLength);
    hit.position = position;
    hit.forward = forward;
    hit.score = score;
    hit.window = forward ? "FORWARD" : "REVERSE";
    return hit;
}

Options optionsFor(std::int32_t methodCode, double cutoff, bool mergeStrandPairs)
{
    Options options;
    options.methodCode = methodCode;
    options.cutoff = cutoff;
    options.mergeStrandPairs = mergeStrandPairs;
    return options;
}

std::vector<double> scoresOf(const Sequence& sequence)
{
    std::vector<double> scores;
    for (const Hit& hit : sequence.hits)
        scores.push_back(hit.score);
    return scores;
}

// Same stored records in the same order, field by field where the merge writes.
void expectSameHits(const Sequence& actual, const Sequence& expected)
{
    ASSERT_EQ(actual.hits.size(), expected.hits.size());
    for (std::size_t index = 0; index < actual.hits.size(); ++index) {
        const Hit& a = actual.hits[index];
        const Hit& b = expected.hits[index];
        EXPECT_EQ(a.window, b.window) << "hit " << index;
        EXPECT_EQ(a.position, b.position) << "hit " << index;
        EXPECT_EQ(a.forward, b.forward) << "hit " << index;
        EXPECT_EQ(a.score, b.score) << "hit " << index;
    }
}

} // namespace

TEST(HitCutoff, HigherIsBetterPassesOnlyStrictlyAbove)
{
    const Options options = optionsFor(1, 5.0, false);
    Sequence sequence;
    considerHit(makeHit(1, true, 5.0), options, sequence);
    considerHit(makeHit(2, true, std::nan("")), options, sequence);
    considerHit(makeHit(3, true, 4.0), options, sequence);
    considerHit(makeHit(4, true, 5.0000001), options, sequence);
    ASSERT_EQ(sequence.hits.size(), 1u);
    EXPECT_EQ(sequence.hits[0].position, 4u);
}

TEST(HitCutoff, LowerIsBetterPassesOnlyStrictlyBelowForMethodsTwoAndThree)
{
    for (std::int32_t method : {2, 3}) {
        const Options options = optionsFor(method, 5.0, false);
        Sequence sequence;
        considerHit(makeHit(1, true, 5.0), options, sequence);
        considerHit(makeHit(2, true, std::nan("")), options, sequence);
        considerHit(makeHit(3, true, 6.0), options, sequence);
        considerHit(makeHit(4, true, 4.9), options, sequence);
        ASSERT_EQ(sequence.hits.size(), 1u) << "method " << method;
        EXPECT_EQ(sequence.hits[0].position, 4u);
    }
}

TEST(StrandPairMerge, StrictlyBetterReverseTwinOverwritesStoredForwardHit)
{
    const Options options = optionsFor(1, 0.0, true);
    Sequence sequence;
    considerHit(makeHit(100, true, 8.0), options, sequence);
    considerHit(makeHit(110, false, 8.0), options, sequence);
    ASSERT_EQ(sequence.hits.size(), 1u);
    EXPECT_TRUE(sequence.hits[0].forward);

    Hit twin = makeHit(110, false, 9.0);
    twin.upMean = 1.5;
    considerHit(twin, options, sequence);
    ASSERT_EQ(sequence.hits.size(), 1u);
    EXPECT_FALSE(sequence.hits[0].forward);
    EXPECT_EQ(sequence.hits[0].position, 110u);
    EXPECT_EQ(sequence.hits[0].score, 9.0);
    EXPECT_EQ(sequence.hits[0].window, "REVERSE");
    EXPECT_EQ(sequence.hits[0].upMean, 1.5);
}

TEST(StrandPairMerge, FollowsTheLowerIsBetterSense)
{
    const Options options = optionsFor(3, 10.0, true);
    Sequence sequence;
    considerHit(makeHit(100, true, 2.0), options, sequence);
    considerHit(makeHit(110, false, 3.0), options, sequence);
    ASSERT_EQ(sequence.hits.size(), 1u);
    EXPECT_TRUE(sequence.hits[0].forward);
    considerHit(makeHit(110, false, 1.0), options, sequence);
    ASSERT_EQ(sequence.hits.size(), 1u);
    EXPECT_FALSE(sequence.hits[0].forward);
    EXPECT_EQ(sequence.hits[0].score, 1.0);
}

TEST(StrandPairMerge, TandemSiteOnTheOtherSideIsKept)
{
    // A reverse window at 90 covers letters 80..89: not the forward window at 100.
    const Options options = optionsFor(1, 0.0, true);
    Sequence sequence;
    considerHit(makeHit(100, true, 8.0), options, sequence);
    considerHit(makeHit(90, false, 9.0), options, sequence);
    ASSERT_EQ(sequence.hits.size(), 2u);
    EXPECT_EQ(sequence.hits[0].position, 100u);
    EXPECT_TRUE(sequence.hits[0].forward);
    EXPECT_EQ(sequence.hits[1].position, 90u);
}

TEST(StrandPairMerge, OnlyTheOtherStrandWindowOverTheSameLettersIsAPartner)
{
    const Options options = optionsFor(1, 0.0, true);
    Sequence sequence;
    sequence.hits = {makeHit(100, true, 8.0)};
    EXPECT_EQ(findStrandPartner(sequence, makeHit(90, true, 9.0), options), -1);
    EXPECT_EQ(findStrandPartner(sequence, makeHit(110, true, 9.0), options), -1);
    EXPECT_EQ(findStrandPartner(sequence, makeHit(100, false, 9.0), options), -1);
    EXPECT_EQ(findStrandPartner(sequence, makeHit(120, false, 9.0), options), -1);
    EXPECT_EQ(sequence.hits[0].score, 8.0);
}

TEST(StrandPairMerge, ForwardCandidateFindsReverseTwinAndReportsOutcome)
{
    const Options options = optionsFor(1, 0.0, true);
    Sequence sequence;
    sequence.hits = {makeHit(300, false, 5.0), makeHit(60, false, 5.0)};
    EXPECT_EQ(findStrandPartner(sequence, makeHit(50, true, 5.0), options), 0);
    EXPECT_EQ(findStrandPartner(sequence, makeHit(50, true, 6.0), options), 1);
    EXPECT_TRUE(sequence.hits[1].forward);
    EXPECT_EQ(sequence.hits[1].position, 50u);
    EXPECT_EQ(sequence.hits[0].position, 300u);
}

TEST(StrandPairMerge, TwinPositionWrapsIn32Bits)
{
    const Options options = optionsFor(1, 0.0, true);
    Sequence sequence;
    sequence.hits = {makeHit(4294967291u, true, 5.0)};
    EXPECT_EQ(findStrandPartner(sequence, makeHit(5, false, 6.0), options), 1);
}

TEST(StrandPairMerge, FirstTwinInStoredOrderIsChosen)
{
    const Options options = optionsFor(1, 0.0, true);
    Sequence sequence;
    sequence.hits = {makeHit(100, true, 9.0), makeHit(100, true, 1.0)};
    EXPECT_EQ(findStrandPartner(sequence, makeHit(110, false, 5.0), options), 0);
    EXPECT_EQ(sequence.hits[1].score, 1.0);
}

TEST(StrandPairMerge, IndexChoosesThePartnerThePlainWalkChooses)
{
    // Few places and few score values, so twins, repeated places, overwrites
    // and ties all come up often; some rounds sit across the 32-bit wrap.
    std::mt19937 random(20261207);
    for (std::int32_t method : {5, 2}) {
        const bool lowerBetter = method == 2;
        const Options options = optionsFor(method, lowerBetter ? 100.0 : -100.0, true);
        for (int round = 0; round < 60; ++round) {
            const std::uint32_t windowLength = 1 + random() % 6;
            const std::uint32_t base = round % 4 == 3 ? 4294967280u : 0u;
            const std::uint32_t spread = 8 + random() % 40;
            Sequence indexed;
            Sequence walked;
            for (int step = 0; step < 500; ++step) {
                Hit candidate = makeHit(base + random() % spread, random() % 2 == 0,
                                        static_cast<double>(random() % 5), windowLength);
                candidate.window = std::to_string(step);
                if (step == 250) {
                    // The list in a new order: the index must follow it.
                    Options sorting = options;
                    sorting.sortByScore = round % 2 == 0;
                    sortHits(indexed, sorting);
                    sortHits(walked, sorting);
                }
                const std::size_t before = indexed.hits.size();
                considerHit(candidate, options, indexed);
                const int outcome = findStrandPartnerByWalk(walked, candidate, options);
                if (outcome == -1)
                    walked.hits.push_back(candidate);
                ASSERT_EQ(indexed.hits.size() - before, outcome == -1 ? 1u : 0u)
                    << "round " << round << " step " << step;
                ASSERT_EQ(indexed.hitCursor, walked.hitCursor) << "round " << round << " step " << step;
            }
            expectSameHits(indexed, walked);
        }
    }
}

namespace {

// Candidate places for the compact-records test. Kind 0: anywhere, either
// strand. Kind 1: as a scan without integration gives them, forward windows
// at increasing positions, then reverse windows at non-increasing ones (many
// twins of the forward ones, a few places twice, the last twins wrapping
// below 0). Kind 2: the same, with the order broken by a forward window.
// Kind 3: forward windows as in kind 1, then reverse ones at random places.
std::vector<std::pair<std::uint32_t, bool>> candidatePlaces(std::mt19937& random, int kind, std::uint32_t windowLength,
                                                            std::size_t count)
{
    std::vector<std::pair<std::uint32_t, bool>> places;
    if (kind == 0) {
        for (std::size_t i = 0; i < count; ++i)
            places.emplace_back(random() % 60000, random() % 2 == 0);
        return places;
    }
    std::uint32_t position = 0;
    for (std::size_t i = 0; i < count / 2; ++i) {
        position += 1 + random() % 3;
        places.emplace_back(position, true);
    }
    position += windowLength;
    if (kind == 3) {
        // Still scan order: the reverse places come after the forward ones, at random.
        const std::uint32_t end = position;
        while (places.size() < count)
            places.emplace_back(random() % end, false);
        return places;
    }
    while (places.size() < count && position > 0) {
        const std::uint32_t step = random() % 4; // a reverse place now and then twice
        if (step == 0 && random() % 2 == 0)
            continue;
        position = step < position ? position - step : 0;
        places.emplace_back(position, false);
        if (kind == 2 && places.size() == count * 3 / 4)
            places.emplace_back(random() % 1000, true);
    }
    return places;
}

} // namespace

TEST(CompactHits, KeepRescaleAndSortAsStoredHitsDo)
{
    // The run's compact records against considerHit, applyIntegrationRatio and
    // sortHits on full Hits, with enough hits that building them is shared
    // between two threads.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> letter(0, 3);
    for (int round = 0; round < 9; ++round) {
        Options options = optionsFor(round % 2 == 0 ? 5 : 2, round % 2 == 0 ? -100.0 : 100.0, round != 4);
        options.sortByScore = round % 3 == 0;
        options.integrationMode = 1 + round % 3;
        const std::uint32_t windowLength = 3 + round;
        Sequence stored;
        stored.globalScoreMean = 0.75;
        ScanHits found(windowLength);
        for (const auto& [position, forward] : candidatePlaces(random, round % 4, windowLength, 50000)) {
            Hit candidate(windowLength);
            candidate.position = position;
            candidate.forward = forward;
            candidate.score = static_cast<double>(random() % 7) - 3.0;
            candidate.localMean = static_cast<double>(random() % 5) - 2.5;
            candidate.upMean = static_cast<double>(random() % 5) - 2.0;
            candidate.downMean = static_cast<double>(random() % 3) + 0.5;
            for (std::uint32_t k = 0; k < windowLength; ++k)
                candidate.window += "ACGT"[letter(random)];
            considerHit(candidate, options, stored);
            found.consider({candidate.score, candidate.localMean, candidate.upMean, candidate.downMean,
                            candidate.position, candidate.forward},
                           candidate.window.data(), options);
        }
        applyIntegrationRatio(stored, options);
        sortHits(stored, options);
        found.applyIntegrationRatio(stored.globalScoreMean, options);
        Sequence compact;
        found.moveSortedInto(compact, options);
        ASSERT_EQ(compact.hits.size(), stored.hits.size()) << "round " << round;
        for (std::size_t index = 0; index < stored.hits.size(); ++index) {
            const Hit& a = compact.hits[index];
            const Hit& b = stored.hits[index];
            ASSERT_EQ(a.window, b.window) << "round " << round << " hit " << index;
            ASSERT_EQ(a.position, b.position);
            ASSERT_EQ(a.forward, b.forward);
            ASSERT_EQ(std::memcmp(&a.score, &b.score, sizeof a.score), 0);
            ASSERT_EQ(a.localMean, b.localMean);
            ASSERT_EQ(a.upMean, b.upMean);
            ASSERT_EQ(a.downMean, b.downMean);
            ASSERT_EQ(a.windowLength, b.windowLength);
            ASSERT_EQ(a.type, b.type);
        }
        EXPECT_TRUE(found.records().empty());
    }
}

TEST(StrandPairMerge, IndexFollowsAListThatWasReplacedByAShorterOne)
{
    const Options options = optionsFor(1, 0.0, true);
    Sequence sequence;
    sequence.hits = {makeHit(100, true, 8.0), makeHit(200, true, 8.0)};
    EXPECT_EQ(findStrandPartner(sequence, makeHit(210, false, 1.0), options), 0);
    sequence.hits = {makeHit(300, true, 8.0)};
    EXPECT_EQ(findStrandPartner(sequence, makeHit(210, false, 9.0), options), -1);
    EXPECT_EQ(findStrandPartner(sequence, makeHit(310, false, 9.0), options), 1);
    EXPECT_FALSE(sequence.hits[0].forward);
}

TEST(StrandPairMerge, ClearedMergeKeepsBothStrandsOfAPalindrome)
{
    const Options options = optionsFor(1, 0.0, false);
    Sequence sequence;
    considerHit(makeHit(100, true, 8.0), options, sequence);
    considerHit(makeHit(110, false, 8.0), options, sequence);
    EXPECT_EQ(sequence.hits.size(), 2u);
}

TEST(HitSort, ByPositionMixesStrands)
{
    Options options;
    options.sortByScore = false;
    Sequence sequence;
    sequence.hits = {makeHit(50, false, 1.0), makeHit(4000000000u, true, 9.0), makeHit(7, true, 3.0),
                     makeHit(20, false, 2.0)};
    sortHits(sequence, options);
    std::vector<std::uint32_t> positions;
    for (const Hit& hit : sequence.hits)
        positions.push_back(hit.position);
    EXPECT_EQ(positions, (std::vector<std::uint32_t>{7, 20, 50, 4000000000u}));
}

TEST(HitSort, ByScoreBestFirstInEitherSense)
{
    Options options;
    options.sortByScore = true;
    Sequence sequence;
    sequence.hits = {makeHit(1, true, 2.0), makeHit(2, true, -1.0), makeHit(3, false, 7.5)};
    options.methodCode = 1;
    sortHits(sequence, options);
    EXPECT_EQ(scoresOf(sequence), (std::vector<double>{7.5, 2.0, -1.0}));
    options.methodCode = 3;
    sortHits(sequence, options);
    EXPECT_EQ(scoresOf(sequence), (std::vector<double>{-1.0, 2.0, 7.5}));
}

TEST(HitSort, NanScoresGoLastInEitherSense)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::int32_t method : {2, 5}) {
        Options options;
        options.sortByScore = true;
        options.methodCode = method;
        Sequence sequence;
        for (int index = 0; index < 40; ++index)
            sequence.hits.push_back(makeHit(index, true, index % 3 == 0 ? nan : double(index % 7)));
        sortHits(sequence, options);
        const std::vector<double> scores = scoresOf(sequence);
        std::size_t firstNan = 0;
        while (firstNan < scores.size() && !std::isnan(scores[firstNan]))
            ++firstNan;
        EXPECT_EQ(firstNan, 26u) << "method " << method;
        for (std::size_t index = firstNan; index < scores.size(); ++index) {
            EXPECT_TRUE(std::isnan(scores[index]));
        }
        for (std::size_t index = 1; index < firstNan; ++index) {
            if (method == 2) {
                EXPECT_LE(scores[index - 1], scores[index]);
            } else {
                EXPECT_GE(scores[index - 1], scores[index]);
            }
        }
    }
}

TEST(HitSort, EqualKeysEndInTheOrderSortingTheRecordsGives)
{
    // Many equal positions and scores, NaNs too, and enough hits for the
    // partitioning to run, not only the final insertion sort. The last rounds
    // are laid out as a scan stores them, forward positions rising and then
    // reverse ones falling, many of them at a forward hit's place: an order
    // that drives the introsort into its heap sort.
    std::mt19937 random(77);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int round = 0; round < 8; ++round) {
        Options options;
        options.sortByScore = round % 2 == 1;
        options.methodCode = round < 4 ? 5 : 2;
        const bool lowerBetter = options.methodCode == 2;
        Sequence sequence;
        const int count = round < 6 ? 3000 : 40000;
        for (int index = 0; index < count; ++index) {
            const std::uint32_t position = round < 6             ? random() % 60
                                           : index < count / 2 ? 3 * index
                                                               : 3 * (count - index) + random() % 2 * 3;
            Hit hit = makeHit(position, round < 6 ? random() % 2 == 0 : index < count / 2,
                              random() % 9 == 0 ? nan : double(random() % 7));
            hit.window = std::to_string(index);
            sequence.hits.push_back(hit);
        }
        std::vector<Hit> expected = sequence.hits;
        if (options.sortByScore) {
            std::sort(expected.begin(), expected.end(), [lowerBetter](const Hit& a, const Hit& b) {
                if (std::isnan(a.score))
                    return false;
                if (std::isnan(b.score))
                    return true;
                return lowerBetter ? a.score < b.score : a.score > b.score;
            });
        } else {
            std::sort(expected.begin(), expected.end(),
                      [](const Hit& a, const Hit& b) { return a.position < b.position; });
        }
        sortHits(sequence, options);
        ASSERT_EQ(sequence.hits.size(), expected.size());
        for (std::size_t index = 0; index < expected.size(); ++index)
            ASSERT_EQ(sequence.hits[index].window, expected[index].window) << "round " << round << " hit " << index;
    }
}
