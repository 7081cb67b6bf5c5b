#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/ErrorReport.h"
#include "options/Options.h"
#include "scoring/IntegrationWindows.h"
#include "support/TestSupport.h"

using testing_support::readFile;
using testing_support::ScopedWorkingFolder;
using testing_support::TempDir;

namespace {

Options intervals(std::int32_t upStart, std::int32_t upEnd, std::int32_t downStart, std::int32_t downEnd)
{
    Options options;
    options.upstreamMeanStart = upStart;
    options.upstreamMeanEnd = upEnd;
    options.downstreamMeanStart = downStart;
    options.downstreamMeanEnd = downEnd;
    return options;
}

IntegrationWindows built(const Options& options)
{
    IntegrationWindows windows;
    buildIntegrationWindows(options, windows);
    return windows;
}

// The message that building the windows from these offsets reports.
std::string buildError(const Options& options)
{
    TempDir folder;
    ScopedWorkingFolder inFolder(folder.path());
    IntegrationWindows windows;
    testing::internal::CaptureStdout();
    EXPECT_THROW(buildIntegrationWindows(options, windows), FatalError);
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(readFile(folder.file("VarnoLog.txt")), console);
    return console;
}

// A ring of a W = 5 span (offsets -2, -1, 1, 2) as priming leaves it when
// the five windows, at positions 0..4, score `scores`, with these means.
IntegrationWindows primedByHand(const std::vector<double>& scores, double local, double up, double down)
{
    IntegrationWindows windows = built(intervals(-2, -1, 1, 2));
    for (std::size_t i = 0; i < scores.size(); ++i)
        windows.slots.push_back({scores[i], i, static_cast<std::uint32_t>(i)});
    windows.localMean = local;
    windows.upMean = up;
    windows.downMean = down;
    return windows;
}

// Primes the ring for a strand text of `textLength` letters whose window at
// offset j scores j; returns the offsets scored, in order.
std::vector<std::size_t> primed(IntegrationWindows& windows, std::size_t textLength, bool forward,
                                std::uint32_t siteLength)
{
    std::vector<std::size_t> offsets;
    primeWindowSlots(windows, textLength, forward, siteLength, [&](std::size_t offset) {
        offsets.push_back(offset);
        return static_cast<double>(offset);
    });
    return offsets;
}

} // namespace

TEST(IntegrationGeometry, DefaultIntervalsSpan1001Windows)
{
    const IntegrationWindows windows = built(Options());
    EXPECT_EQ(windows.windowCount, 1001);
    EXPECT_EQ(windows.centreIndex, 500u);
    EXPECT_EQ(windows.upFirstIndex, 0u);
    EXPECT_EQ(windows.upLastIndex, 499u);
    EXPECT_EQ(windows.downFirstIndex, 501u);
    EXPECT_EQ(windows.downLastIndex, 1000u);
    EXPECT_EQ(windows.upCount, 500);
    EXPECT_EQ(windows.downCount, 500);
    EXPECT_TRUE(windows.slots.empty());
}

TEST(IntegrationGeometry, IntervalsMayShareOneWindow)
{
    const IntegrationWindows windows = built(intervals(-10, -1, -1, 10));
    EXPECT_EQ(windows.windowCount, 21);
    EXPECT_EQ(windows.upLastIndex, 9u);
    EXPECT_EQ(windows.downFirstIndex, 9u);
}

TEST(IntegrationGeometry, SpanIsSymmetricAboutTheCentreForUnevenIntervals)
{
    const IntegrationWindows windows = built(intervals(-3, -1, 1, 100));
    EXPECT_EQ(windows.windowCount, 201);
    EXPECT_EQ(windows.centreIndex, 100u);
    EXPECT_EQ(windows.upFirstIndex, 97u);
    EXPECT_EQ(windows.upLastIndex, 99u);
    EXPECT_EQ(windows.downFirstIndex, 101u);
    EXPECT_EQ(windows.downLastIndex, 200u);
    EXPECT_EQ(windows.upCount, 3);
    EXPECT_EQ(windows.downCount, 100);
}

TEST(IntegrationGeometry, ExtremeOffsetsDoNotOverflow)
{
    const std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    const std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    const IntegrationWindows windows = built(intervals(lowest, -1, 1, highest));
    EXPECT_EQ(windows.windowCount, 4294967297);
    EXPECT_EQ(windows.centreIndex, 2147483648u);
    EXPECT_EQ(windows.upFirstIndex, 0u);
    EXPECT_EQ(windows.upLastIndex, 2147483647u);
    EXPECT_EQ(windows.downFirstIndex, 2147483649u);
    EXPECT_EQ(windows.downLastIndex, 4294967295u);
    EXPECT_EQ(windows.upCount, 2147483648);
    EXPECT_EQ(windows.downCount, 2147483647);

    // In 32 bits highest - lowest would wrap to -1 and lowest - highest to 1.
    EXPECT_EQ(buildError(intervals(-5, highest, lowest, 5)),
              "Error: overlapping intervals for integration. Please check Options file!\n");
    EXPECT_EQ(buildError(intervals(highest, lowest, lowest, 5)),
              "Error in upstream mean interval. Please check Options file!\n");
}

TEST(IntegrationGeometry, InvalidIntervalsEndTheRunWhetherOrNotIntegrationIsOn)
{
    for (bool useIntegration : {false, true}) {
        Options overlapping = intervals(-10, -1, -2, 10);
        Options upstreamOfOne = intervals(-5, -5, 1, 5);
        Options downstreamOfOne = intervals(-5, -1, 3, 3);
        for (Options* options : {&overlapping, &upstreamOfOne, &downstreamOfOne})
            options->useIntegration = useIntegration;
        EXPECT_EQ(buildError(overlapping),
                  "Error: overlapping intervals for integration. Please check Options file!\n");
        EXPECT_EQ(buildError(upstreamOfOne), "Error in upstream mean interval. Please check Options file!\n");
        EXPECT_EQ(buildError(downstreamOfOne), "Error in downstream mean interval. Please check Options file!\n");
    }
    // The overlap is tested first, then the upstream interval.
    EXPECT_EQ(buildError(intervals(-1, -1, -2, -2)),
              "Error: overlapping intervals for integration. Please check Options file!\n");
    EXPECT_EQ(buildError(intervals(3, 1, 2, 2)), "Error in upstream mean interval. Please check Options file!\n");
}

TEST(IntegrationPriming, ForwardRingRunsAcrossTheOrigin)
{
    // S = 20, L = 3, f = 2: the text has 25 letters and the ring starts two
    // windows before the origin.
    IntegrationWindows windows = built(intervals(-2, -1, 1, 2));
    EXPECT_EQ(primed(windows, 25, true, 3), (std::vector<std::size_t>{18, 19, 20, 21, 22}));
    const std::vector<std::uint32_t> positions = {18, 19, 0, 1, 2};
    ASSERT_EQ(windows.slots.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(windows.slots[i].position, positions[i]) << i;
    EXPECT_EQ(windows.localMean, (0.0 + 18 + 19 + 20 + 21 + 22) / 5);
    EXPECT_EQ(windows.upMean, (0.0 + 18 + 19) / 2);
    EXPECT_EQ(windows.downMean, (0.0 + 21 + 22) / 2);
    EXPECT_EQ(windows.globalMean, 0.0);
    EXPECT_EQ(centreSlot(windows).position, 0u);
    EXPECT_EQ(centreSlot(windows).textOffset, 20u);
}

TEST(IntegrationPriming, ReverseRingUsesTheScanCoordinates)
{
    IntegrationWindows windows = built(intervals(-2, -1, 1, 2));
    primed(windows, 25, false, 3);
    // The scan reports the reverse window starting at text index j at S - j.
    const std::vector<std::uint32_t> positions = {2, 1, 20, 19, 18};
    ASSERT_EQ(windows.slots.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(windows.slots[i].position, positions[i]) << i;
}

TEST(IntegrationPriming, DefaultSpanCentresOnTheOriginWithDistinctCoordinates)
{
    IntegrationWindows windows = built(Options());
    const std::size_t length = 2400;
    primed(windows, length + 4 + 500, true, 4);
    ASSERT_EQ(windows.slots.size(), 1001u);
    EXPECT_EQ(windows.slots[500].position, 0u);
    EXPECT_EQ(windows.slots[0].position, length - 500);
    std::set<std::uint32_t> positions;
    for (const WindowSlot& slot : windows.slots)
        positions.insert(slot.position);
    EXPECT_EQ(positions.size(), 1001u);
}

TEST(IntegrationPriming, StrandShorterThanTheReachLeavesTheRingEmpty)
{
    IntegrationWindows windows = built(intervals(-2, -1, 1, 2));
    // S = 1 extended by L + f = 5: the priming needs f = 2 letters before the origin.
    EXPECT_TRUE(primed(windows, 6, true, 3).empty());
    EXPECT_TRUE(windows.slots.empty());
    EXPECT_THROW(centreSlot(windows), std::out_of_range);
    EXPECT_THROW(slideWindowSlots(windows, {}, 6), std::out_of_range);
}

TEST(IntegrationSlide, WorkedExampleOfFiveWindows)
{
    IntegrationWindows windows = primedByHand({1, 2, 3, 4, 5}, 3, 1.5, 4.5);
    EXPECT_EQ(centreSlot(windows).score, 3.0);
    slideWindowSlots(windows, {6, 5, 5}, 10);
    EXPECT_EQ(windows.globalMean, 0.6);
    EXPECT_EQ(centreSlot(windows).score, 4.0);
    EXPECT_EQ(centreSlot(windows).position, 3u);
    EXPECT_DOUBLE_EQ(windows.localMean, 4.0);
    EXPECT_EQ(windows.upMean, 2.5);
    EXPECT_EQ(windows.downMean, 5.5);
    // The oldest window now is the one at position 1, the newest at 5.
    slideWindowSlots(windows, {7, 6, 6}, 10);
    EXPECT_EQ(centreSlot(windows).position, 4u);
}

TEST(IntegrationSlide, MeansAreUpdatedNotRecomputed)
{
    // A stale mean carries over: only the leaving and entering windows change it.
    IntegrationWindows windows = primedByHand({1, 2, 3, 4, 5}, 100, 100, 100);
    slideWindowSlots(windows, {6, 5, 5}, 4);
    EXPECT_EQ(windows.localMean, 100 - 1.0 / 5 + 6.0 / 5);
    EXPECT_EQ(windows.upMean, 100 - 1.0 / 2 + 3.0 / 2);
    EXPECT_EQ(windows.downMean, 100 - 4.0 / 2 + 6.0 / 2);
    EXPECT_EQ(windows.globalMean, 1.5);
}

TEST(IntegrationSlide, ConstantScoresKeepEveryRatioAtOne)
{
    const double score = 0.7;
    IntegrationWindows windows = primedByHand(std::vector<double>(5, score), score, score, score);
    for (int i = 0; i < 10000; ++i)
        slideWindowSlots(windows, {score, 0, 0}, 100);
    EXPECT_DOUBLE_EQ(windows.localMean, score);
    EXPECT_DOUBLE_EQ(windows.upMean, score);
    EXPECT_DOUBLE_EQ(windows.downMean, score);
    for (std::int32_t mode : {2, 3})
        EXPECT_DOUBLE_EQ(integratedScore(score, windows.localMean, windows.upMean, windows.downMean, 1.0, mode), score)
            << mode;
}

TEST(IntegrationRatio, UpstreamMeanOverTheChosenMean)
{
    const std::vector<std::pair<std::int32_t, double>> expected = {
        {1, 3 * (2.0 / 16)}, {2, 3 * (2.0 / 4)}, {3, 3 * (2.0 / 8)}, {0, 3 * (2.0 / 16)}, {7, 3 * (2.0 / 16)}};
    for (const auto& [mode, score] : expected)
        EXPECT_EQ(integratedScore(3, 4, 2, 8, 16, mode), score) << mode;
}

TEST(IntegrationRatio, TwoNegativeMeansInvertTheRatio)
{
    EXPECT_EQ(integratedScore(3, 0, -2, 0, -4, 1), 6.0);
    EXPECT_EQ(integratedScore(3, 0, -2, 0, 4, 1), -1.5);
    EXPECT_TRUE(std::isnan(integratedScore(3, 0, -2, 0, std::nan(""), 1)));
    // No guard: a zero mean gives what floating point gives.
    EXPECT_EQ(integratedScore(3, 0, -2, 0, 0, 1), -std::numeric_limits<double>::infinity());
}
