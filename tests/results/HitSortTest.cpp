#include "results/HitSort.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "options/Options.h"
#include "scoring/ScoreSense.h"
#include "sequences/Sequence.h"
#include "support/ReferenceScan.h"

namespace {

// The sequence as storeSortedHits leaves it after these records were kept
// in this order and rescaled.
Sequence storedAfter(const std::vector<reference::KeptWindow>& records, const Options& options)
{
    Options keepAll = options;
    keepAll.mergeStrandPairs = false;
    keepAll.cutoff = ScoreSense::ofMethod(options.methodCode).lowerIsBetter()
                       ? std::numeric_limits<double>::infinity()
                       : -std::numeric_limits<double>::infinity();
    ScanHits found(8);
    for (const reference::KeptWindow& hit : records)
        found.consider({hit.score, hit.position, hit.forward}, hit.means, keepAll);
    found.applyIntegrationRatio(0.0, options);
    Sequence sequence;
    storeSortedHits(found, sequence, options);
    return sequence;
}

// The labels the records carry in their downstream means, which the ratio
// of upstream over local means leaves alone.
std::vector<double> labelsOf(const Sequence& stored)
{
    std::vector<double> labels;
    for (std::size_t i = 0; i < stored.hits.size(); ++i)
        labels.push_back(stored.meansOf(i).down);
    return labels;
}

std::vector<double> labelsOf(const std::vector<reference::KeptWindow>& hits)
{
    std::vector<double> labels;
    for (const reference::KeptWindow& hit : hits)
        labels.push_back(hit.means.down);
    return labels;
}

} // namespace

TEST(HitSort, ByPositionOrByScoreInEitherSenseWithNanLastAndTiesInScanOrder)
{
    // Many equal positions and scores, NaNs too, and enough hits for the sort
    // to partition and for two threads to build them; the last rounds are
    // laid out as a scan keeps them, forward positions rising and then
    // reverse ones falling, many at a forward hit's place.
    // The ratio of means (upstream over local, 0/0 for some) turns the
    // scores of those hits into NaN and keeps the others.
    std::mt19937 random(77);
    for (int round = 0; round < 8; ++round) {
        Options options;
        options.useIntegration = true;
        options.integrationMode = 2;
        options.sortByScore = round % 2 == 1;
        options.methodCode = round < 4 ? 5 : 2;
        const int count = round < 6 ? 3000 : 40000;
        std::vector<reference::KeptWindow> records;
        for (int index = 0; index < count; ++index) {
            reference::KeptWindow hit(8);
            hit.position = round < 6         ? random() % 60
                         : index < count / 2 ? 3 * index
                                             : 3 * (count - index) + random() % 2 * 3;
            hit.forward = round < 6 ? random() % 2 == 0 : index < count / 2;
            hit.score = double(random() % 7) - 3.0;
            hit.means.local = random() % 9 == 0 ? 0.0 : 1.0;
            hit.means.up = hit.means.local;
            hit.means.down = index;
            records.push_back(hit);
        }
        EXPECT_EQ(labelsOf(storedAfter(records, options)), labelsOf(reference::sorted(records, 0.0, options)))
            << "round " << round;
    }
}
