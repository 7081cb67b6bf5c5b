#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "base/RunLog.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "report/Calibration.h"
#include "scoring/Cutoff.h"
#include "scoring/ScoreDistribution.h"
#include "scoring/ScoreSense.h"
#include "scoring/ScoreTable.h"
#include "sequences/Sequence.h"
#include "support/TestSupport.h"

namespace {

// Both strands of a genome of about the size of E. coli's.
constexpr std::uint64_t windowsScanned = 9283000;

ScoreDistribution uniformChance(const SiteCollection& collection, const Options& options)
{
    const Sequence uniform;
    return ScoreDistribution(ScoreTable(options.methodCode, uniform, collection), {0.25, 0.25, 0.25, 0.25},
                             ScoreSense::ofMethod(options.methodCode));
}

std::size_t passing(const std::vector<double>& scores, double cutoff, std::int32_t method)
{
    std::size_t count = 0;
    for (const double score : scores)
        count += ScoreSense::ofMethod(method).passes(score, cutoff) ? 1 : 0;
    return count;
}

} // namespace

TEST(Calibration, LexaCurveAtTheRunsThresholdIsWhatTheRunDoes)
{
    const Sequence uniform;
    SiteCollection collection(testing_support::sourceFile("examples/lexa_sites.txt"), uniform);
    Options options;
    options.writeLogs = false;
    const ScoreDistribution chance = uniformChance(collection, options);
    const Calibration curve = calibrate(collection, options, uniform, chance, windowsScanned);

    Options run = options;
    RunLog console;
    deriveCutoff(collection, run, uniform, "unused", console);
    const std::size_t n = collection.sites.size();
    std::vector<double> scores;
    for (const Site& site : collection.sites)
        scores.push_back(site.score);

    // Leaving each site out of a run of the others, as the definition reads.
    std::size_t heldOut = 0;
    for (std::size_t left = 0; left < n; ++left) {
        std::vector<std::string> others;
        for (std::size_t j = 0; j < n; ++j) {
            if (j != left)
                others.push_back(collection.sites[j].window);
        }
        SiteCollection reduced = SiteCollection::fromSites(others, uniform);
        Options reducedRun = options;
        deriveCutoff(reduced, reducedRun, uniform, "unused", console);
        const double score = ScoreTable(5, uniform, reduced).score(collection.sites[left].window.data());
        heldOut += ScoreSense().passes(score, reducedRun.cutoff) ? 1 : 0;
    }

    ASSERT_FALSE(curve.literal);
    ASSERT_LT(curve.runPoint, curve.points.size());
    const CalibrationPoint& own = curve.points[curve.runPoint];
    EXPECT_EQ(own.threshold, run.threshold);
    EXPECT_EQ(own.cutoff, run.cutoff);
    EXPECT_EQ(own.inSampleRecall, static_cast<double>(passing(scores, run.cutoff, 5)) / n);
    EXPECT_EQ(own.heldOutRecall, static_cast<double>(heldOut) / n);
    const double expected = chance.pBeyond(run.cutoff) * windowsScanned;
    EXPECT_NEAR(own.expectedChanceHits, expected, 2e-3 * expected);

    // A higher threshold keeps more sites, and so lets in more chance hits;
    // a site the model has not seen passes no more often than one it has.
    ASSERT_GE(curve.points.size(), 25u);
    std::size_t heldOutAbove = 0;
    for (std::size_t t = 0; t < curve.points.size(); ++t) {
        const CalibrationPoint& point = curve.points[t];
        EXPECT_GE(point.heldOutRecall, 0.0);
        EXPECT_LE(point.heldOutRecall, 1.0);
        heldOutAbove += point.heldOutRecall > point.inSampleRecall ? 1 : 0;
        if (t == 0)
            continue;
        const CalibrationPoint& before = curve.points[t - 1];
        EXPECT_GT(point.threshold, before.threshold);
        EXPECT_LT(point.cutoff, before.cutoff);
        EXPECT_GE(point.inSampleRecall, before.inSampleRecall);
        EXPECT_GT(point.expectedChanceHits, before.expectedChanceHits);
    }
    EXPECT_LE(heldOutAbove, curve.points.size() / 10);
}

TEST(Calibration, LiteralCutoffsRunOverTheSiteScores)
{
    const Sequence uniform;
    SiteCollection collection(testing_support::sourceFile("examples/lexa_sites.txt"), uniform);
    Options options;
    options.writeLogs = false;
    options.methodCode = 2; // lower is better
    options.literalCutoff = true;
    options.useIntegration = true;
    RunLog console;
    deriveCutoff(collection, options, uniform, "unused", console);
    std::vector<double> scores;
    for (const Site& site : collection.sites)
        scores.push_back(site.score);
    // A cut-off at a site's own score, which that site does not pass.
    options.threshold = scores[0];
    const Calibration curve = calibrate(collection, options, uniform, uniformChance(collection, options), 1000);

    ASSERT_TRUE(curve.literal);
    EXPECT_NE(curve.note.find("cut-off factor 1.5"), std::string::npos) << curve.note;
    EXPECT_EQ(curve.points[curve.runPoint].cutoff, scores[0]);
    EXPECT_EQ(curve.points.front().cutoff, *std::min_element(scores.begin(), scores.end()));
    EXPECT_EQ(curve.points.back().cutoff, *std::max_element(scores.begin(), scores.end()));
    // Lower is better and the test is strict: no site passes the best site's
    // score, and all but the worst pass the worst one's.
    EXPECT_EQ(curve.points.front().inSampleRecall, 0.0);
    EXPECT_EQ(curve.points.back().inSampleRecall, (scores.size() - 1.0) / scores.size());
    for (const CalibrationPoint& point : curve.points) {
        EXPECT_EQ(point.threshold, point.cutoff);
        EXPECT_EQ(point.inSampleRecall, static_cast<double>(passing(scores, point.cutoff, 2)) / scores.size());
    }
}

TEST(Calibration, NeedsSitesThatCanBeLeftOut)
{
    const Sequence uniform;
    Options options;
    const SiteCollection two = SiteCollection::fromSites({"ACGTA", "ACGTT"}, uniform);
    const Calibration none = calibrate(two, options, uniform, uniformChance(two, options), 1000);
    EXPECT_TRUE(none.points.empty());
    EXPECT_FALSE(none.note.empty());

    // Only the first site has a base at the last position: a model without
    // it would be rejected, so it is left out of the held-out recall instead.
    const SiteCollection gapped = SiteCollection::fromSites({"ACGTA", "ACCT-", "AGGT-", "ACGA-"}, uniform);
    const Calibration curve = calibrate(gapped, options, uniform, uniformChance(gapped, options), 1000);
    ASSERT_FALSE(curve.points.empty());
    EXPECT_NE(curve.note.find("1 of the 4 sites"), std::string::npos) << curve.note;
    for (const CalibrationPoint& point : curve.points)
        EXPECT_NEAR(point.heldOutRecall * 3.0, std::round(point.heldOutRecall * 3.0), 1e-9);
}
