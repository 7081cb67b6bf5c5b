#include "scan/ScanHits.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "options/Options.h"
#include "scoring/ScoreSense.h"
#include "sequences/Hit.h"
#include "support/ReferenceScan.h"

namespace {

Options optionsFor(std::int32_t methodCode, double cutoff, bool mergeStrandPairs)
{
    Options options;
    options.methodCode = methodCode;
    options.cutoff = cutoff;
    options.mergeStrandPairs = mergeStrandPairs;
    return options;
}

Hit makeHit(std::uint32_t position, bool forward, double score, std::uint32_t windowLength = 10)
{
    Hit hit(windowLength);
    hit.position = position;
    hit.forward = forward;
    hit.score = score;
    return hit;
}

void consider(ScanHits& found, const Hit& hit, const Options& options)
{
    found.consider({hit.score, hit.position, hit.forward}, WindowMeans(), options);
}

// The kept records as "position strand score", in stored order: a record's
// letters are the sequence's at its place.
std::vector<std::string> keptOf(const ScanHits& found)
{
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < found.records().size(); ++i) {
        const ScanHit& record = found.records()[i];
        kept.push_back(std::to_string(record.position) + (record.forward ? "+" : "-") + std::to_string(record.score));
    }
    return kept;
}

std::vector<std::string> keptOf(const std::vector<Hit>& hits)
{
    std::vector<std::string> kept;
    for (const Hit& hit : hits)
        kept.push_back(std::to_string(hit.position) + (hit.forward ? "+" : "-") + std::to_string(hit.score));
    return kept;
}

// What the scan keeps of the candidates: it passes on those beyond the cut-off.
std::vector<std::string> keptAfter(const std::vector<Hit>& candidates, const Options& options)
{
    ScanHits found(candidates.front().windowLength);
    for (const Hit& candidate : candidates)
        if (ScoreSense::ofMethod(options.methodCode).passes(candidate.score, options.cutoff))
            consider(found, candidate, options);
    return keptOf(found);
}

} // namespace

TEST(ScanHits, StrictlyBetterTwinTakesThePlaceOfTheKeptOne)
{
    // A reverse window at p covers the letters of the forward window at p - 10.
    const Options higher = optionsFor(1, 0.0, true);
    EXPECT_EQ(
        keptAfter({makeHit(50, true, 1.0), makeHit(100, true, 8.0), makeHit(110, false, 8.0), makeHit(110, false, 9.0)},
                  higher),
        (std::vector<std::string>{"50+1.000000", "110-9.000000"}));
    const Options lower = optionsFor(3, 10.0, true);
    EXPECT_EQ(keptAfter({makeHit(100, true, 2.0), makeHit(110, false, 3.0), makeHit(110, false, 1.0)}, lower),
              (std::vector<std::string>{"110-1.000000"}));
    // A tandem site on the other side, the same strand or the same position is no twin.
    EXPECT_EQ(
        keptAfter({makeHit(100, true, 8.0), makeHit(110, true, 9.0), makeHit(90, false, 9.0), makeHit(100, false, 9.0)},
                  higher)
            .size(),
        4u);
    // The twin position wraps in 32 bits.
    EXPECT_EQ(keptAfter({makeHit(4294967291u, true, 5.0), makeHit(5, false, 6.0)}, higher).size(), 1u);
    // Without merging, both strands of a palindrome stay.
    EXPECT_EQ(keptAfter({makeHit(100, true, 8.0), makeHit(110, false, 8.0)}, optionsFor(1, 0.0, false)).size(), 2u);
}

namespace {

// Candidate places in scan order. Kind 1: as a scan without integration
// gives them, forward windows at increasing positions, then reverse windows
// at non-increasing ones (many twins of the forward ones, a few places twice,
// the last twins wrapping below 0). Kind 3: forward windows as in kind 1,
// then reverse ones at random places.
std::vector<std::pair<std::uint32_t, bool>> candidatePlaces(std::mt19937& random, int kind, std::uint32_t windowLength,
                                                            std::size_t count)
{
    std::vector<std::pair<std::uint32_t, bool>> places;
    std::uint32_t position = 0;
    for (std::size_t i = 0; i < count / 2; ++i) {
        position += 1 + random() % 3;
        places.emplace_back(position, true);
    }
    position += windowLength;
    if (kind == 3) {
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
    }
    return places;
}

} // namespace

TEST(ScanHits, KeepWhatThePlainWalkKeepsInTheSameOrder)
{
    // Few score values, so that twins, overwrites and ties all come up often.
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        const Options options = optionsFor(round % 2 == 0 ? 5 : 2, round % 2 == 0 ? -2.5 : 2.5, round != 4);
        const std::uint32_t windowLength = 3 + round;
        std::vector<Hit> candidates;
        for (const auto& [position, forward] :
             candidatePlaces(random, round / 2 % 2 == 0 ? 1 : 3, windowLength, 20000)) {
            candidates.push_back(makeHit(position, forward, static_cast<double>(random() % 7) - 3.0, windowLength));
        }
        std::vector<Hit> expected;
        for (const Hit& candidate : candidates)
            reference::keep(expected, candidate, options);
        ASSERT_EQ(keptAfter(candidates, options), keptOf(expected)) << "round " << round;
    }
}

TEST(ScanHits, RefuseAForwardWindowOutOfScanOrder)
{
    const Options merging = optionsFor(1, 0.0, true);
    EXPECT_THROW(keptAfter({makeHit(100, true, 8.0), makeHit(50, true, 1.0)}, merging), std::logic_error);
    EXPECT_THROW(keptAfter({makeHit(100, true, 8.0), makeHit(110, false, 8.0), makeHit(200, true, 1.0)}, merging),
                 std::logic_error);
    // Without merging no twin is looked for, and any order is kept as it comes.
    EXPECT_EQ(keptAfter({makeHit(100, true, 8.0), makeHit(50, true, 1.0)}, optionsFor(1, 0.0, false)).size(), 2u);
}
