#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/ErrorReport.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "scoring/IntegrationWindows.h"
#include "sequences/Sequence.h"
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

Hit scored(double score, std::uint32_t position = 0)
{
    Hit hit(3);
    hit.score = score;
    hit.position = position;
    return hit;
}

// The buffer of a W = 5 span (offsets -2, -1, 1, 2) as priming leaves it
// when the five windows score `scores`.
IntegrationWindows primedByHand(const std::vector<double>& scores, double local, double up, double down)
{
    IntegrationWindows windows = built(intervals(-2, -1, 1, 2));
    for (std::size_t i = 0; i < scores.size(); ++i)
        windows.windowHits.push_back(scored(scores[i], static_cast<std::uint32_t>(i)));
    windows.localMean = local;
    windows.upMean = up;
    windows.downMean = down;
    return windows;
}

const std::string strand = "ACGTTGCAAGTCCATGACGT"; // S = 20

// A strand text as the scan extends it: S letters followed by its first L + f.
Sequence extended(const std::string& text, bool forward, std::size_t extension)
{
    Sequence sequence;
    sequence.bases = text + text.substr(0, extension);
    sequence.forward = forward;
    return sequence;
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
    EXPECT_TRUE(windows.windowHits.empty());
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
        EXPECT_EQ(buildError(overlapping), "Error: overlapping intervals for integration. Please check Options file!\n");
        EXPECT_EQ(buildError(upstreamOfOne), "Error in upstream mean interval. Please check Options file!\n");
        EXPECT_EQ(buildError(downstreamOfOne), "Error in downstream mean interval. Please check Options file!\n");
    }
    // The overlap is tested first, then the upstream interval.
    EXPECT_EQ(buildError(intervals(-1, -1, -2, -2)),
              "Error: overlapping intervals for integration. Please check Options file!\n");
    EXPECT_EQ(buildError(intervals(3, 1, 2, 2)), "Error in upstream mean interval. Please check Options file!\n");
}

TEST(IntegrationPriming, ForwardBufferRunsAcrossTheOrigin)
{
    const Options options = intervals(-2, -1, 1, 2);
    IntegrationWindows windows = built(options);
    Sequence sequence = extended(strand, true, 3 + 2);
    SiteCollection collection = SiteCollection::fromSites({"ACG", "ACG", "TCA", "GTT"}, sequence);
    primeIntegrationWindows(sequence, windows, collection, options);

    const std::string circular = strand + strand;
    const std::vector<std::uint32_t> positions = {18, 19, 0, 1, 2};
    ASSERT_EQ(windows.windowHits.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        const Hit& hit = windows.windowHits[i];
        EXPECT_EQ(hit.position, positions[i]) << i;
        EXPECT_EQ(hit.window, circular.substr(positions[i], 3)) << i;
        EXPECT_TRUE(hit.forward);
        EXPECT_EQ(hit.windowLength, 3u);
        EXPECT_EQ(hit.localMean, 0.0);
    }
    const std::deque<Hit>& buffer = windows.windowHits;
    EXPECT_EQ(windows.localMean,
              (0.0 + buffer[0].score + buffer[1].score + buffer[2].score + buffer[3].score + buffer[4].score) / 5);
    EXPECT_EQ(windows.upMean, (0.0 + buffer[0].score + buffer[1].score) / 2);
    EXPECT_EQ(windows.downMean, (0.0 + buffer[3].score + buffer[4].score) / 2);
    EXPECT_EQ(windows.globalMean, 0.0);

    Hit centre;
    takeCentreHit(windows, centre);
    EXPECT_EQ(centre.position, 0u);
    EXPECT_EQ(centre.window, "ACG");
    EXPECT_EQ(centre.upMean, windows.upMean);
}

TEST(IntegrationPriming, ReverseBufferUsesTheScanCoordinates)
{
    const Options options = intervals(-2, -1, 1, 2);
    IntegrationWindows windows = built(options);
    Sequence sequence = extended(strand, false, 3 + 2);
    SiteCollection collection = SiteCollection::fromSites({"ACG", "TCA"}, sequence);
    primeIntegrationWindows(sequence, windows, collection, options);

    // The scan reports the reverse window starting at text index j at S - j.
    const std::vector<std::uint32_t> positions = {2, 1, 20, 19, 18};
    const std::vector<std::size_t> starts = {18, 19, 0, 1, 2};
    const std::string circular = strand + strand;
    ASSERT_EQ(windows.windowHits.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(windows.windowHits[i].position, positions[i]) << i;
        EXPECT_EQ(windows.windowHits[i].window, circular.substr(starts[i], 3)) << i;
        EXPECT_FALSE(windows.windowHits[i].forward);
    }
}

TEST(IntegrationPriming, DefaultSpanCentresOnTheOriginWithDistinctCoordinates)
{
    const Options options;
    IntegrationWindows windows = built(options);
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "ACGTTGCA";
    const std::size_t length = text.size(); // S = 2400
    Sequence sequence = extended(text, true, 4 + 500);
    SiteCollection collection = SiteCollection::fromSites({"ACGT", "TGCA"}, sequence);
    primeIntegrationWindows(sequence, windows, collection, options);

    ASSERT_EQ(windows.windowHits.size(), 1001u);
    EXPECT_EQ(windows.windowHits[500].position, 0u);
    EXPECT_EQ(windows.windowHits[0].position, length - 500);
    std::set<std::uint32_t> positions;
    for (const Hit& hit : windows.windowHits)
        positions.insert(hit.position);
    EXPECT_EQ(positions.size(), 1001u);
}

TEST(IntegrationPriming, StrandShorterThanTheReachLeavesTheBufferEmpty)
{
    const Options options = intervals(-2, -1, 1, 2);
    IntegrationWindows windows = built(options);
    // S = 1 extended by L + f = 5: the priming needs f = 2 letters before the origin.
    Sequence sequence = extended("A", true, 0);
    sequence.bases = "AAAAAA";
    SiteCollection collection = SiteCollection::fromSites({"ACG"}, sequence);
    primeIntegrationWindows(sequence, windows, collection, options);
    EXPECT_TRUE(windows.windowHits.empty());
    Hit centre;
    EXPECT_THROW(takeCentreHit(windows, centre), std::out_of_range);
    EXPECT_THROW(slideIntegrationWindows(windows, centre, sequence), std::out_of_range);
}

TEST(IntegrationSlide, WorkedExampleOfFiveWindows)
{
    IntegrationWindows windows = primedByHand({1, 2, 3, 4, 5}, 3, 1.5, 4.5);
    Sequence sequence;
    sequence.bases = std::string(10, 'A');

    Hit centre;
    takeCentreHit(windows, centre);
    EXPECT_EQ(centre.score, 3.0);
    EXPECT_EQ(centre.localMean, 3.0);
    EXPECT_EQ(centre.upMean, 1.5);
    EXPECT_EQ(centre.downMean, 4.5);

    slideIntegrationWindows(windows, scored(6, 5), sequence);
    ASSERT_EQ(windows.windowHits.size(), 5u);
    EXPECT_EQ(windows.windowHits.front().position, 1u);
    EXPECT_EQ(windows.windowHits.back().position, 5u);
    EXPECT_EQ(windows.globalMean, 0.6);

    Hit next;
    takeCentreHit(windows, next);
    EXPECT_EQ(next.score, 4.0);
    EXPECT_DOUBLE_EQ(next.localMean, 4.0);
    EXPECT_EQ(next.upMean, 2.5);
    EXPECT_EQ(next.downMean, 5.5);

    Options options;
    options.integrationMode = 2;
    sequence.hits.push_back(next);
    applyIntegrationRatio(sequence, options);
    EXPECT_DOUBLE_EQ(sequence.hits[0].score, 2.5);
}

TEST(IntegrationSlide, MeansAreUpdatedNotRecomputed)
{
    // A stale mean carries over: only the leaving and entering windows change it.
    IntegrationWindows windows = primedByHand({1, 2, 3, 4, 5}, 100, 100, 100);
    Sequence sequence;
    sequence.bases = std::string(4, 'A');
    slideIntegrationWindows(windows, scored(6), sequence);
    EXPECT_EQ(windows.localMean, 100 - 1.0 / 5 + 6.0 / 5);
    EXPECT_EQ(windows.upMean, 100 - 1.0 / 2 + 3.0 / 2);
    EXPECT_EQ(windows.downMean, 100 - 4.0 / 2 + 6.0 / 2);
    EXPECT_EQ(windows.globalMean, 1.5);
}

TEST(IntegrationSlide, ConstantScoresKeepEveryRatioAtOne)
{
    const double score = 0.7;
    IntegrationWindows windows = primedByHand(std::vector<double>(5, score), score, score, score);
    Sequence sequence;
    sequence.bases = std::string(100, 'A');
    for (int i = 0; i < 10000; ++i)
        slideIntegrationWindows(windows, scored(score), sequence);
    Hit centre;
    takeCentreHit(windows, centre);
    EXPECT_DOUBLE_EQ(centre.localMean, score);
    EXPECT_DOUBLE_EQ(centre.upMean, score);
    EXPECT_DOUBLE_EQ(centre.downMean, score);

    for (std::int32_t mode : {2, 3}) {
        Options options;
        options.integrationMode = mode;
        sequence.hits = {centre};
        applyIntegrationRatio(sequence, options);
        EXPECT_DOUBLE_EQ(sequence.hits[0].score, score) << mode;
    }
}

TEST(IntegrationRatio, UpstreamMeanOverTheChosenMean)
{
    Hit hit = scored(3);
    hit.upMean = 2;
    hit.localMean = 4;
    hit.downMean = 8;
    Sequence sequence;
    sequence.globalScoreMean = 16;
    const std::vector<std::pair<std::int32_t, double>> expected = {{1, 3 * (2.0 / 16)}, {2, 3 * (2.0 / 4)},
                                                                   {3, 3 * (2.0 / 8)},  {0, 3 * (2.0 / 16)},
                                                                   {7, 3 * (2.0 / 16)}};
    for (const auto& [mode, score] : expected) {
        Options options;
        options.integrationMode = mode;
        sequence.hits = {hit, hit};
        applyIntegrationRatio(sequence, options);
        EXPECT_EQ(sequence.hits[0].score, score) << mode;
        EXPECT_EQ(sequence.hits[1].score, score) << mode;
    }
}

TEST(IntegrationRatio, TwoNegativeMeansInvertTheRatio)
{
    Hit hit = scored(3);
    hit.upMean = -2;
    Sequence sequence;
    Options options; // mode 1: upstream over global

    sequence.globalScoreMean = -4;
    sequence.hits = {hit};
    applyIntegrationRatio(sequence, options);
    EXPECT_EQ(sequence.hits[0].score, 6.0);

    sequence.globalScoreMean = 4;
    sequence.hits = {hit};
    applyIntegrationRatio(sequence, options);
    EXPECT_EQ(sequence.hits[0].score, -1.5);

    sequence.globalScoreMean = std::nan("");
    sequence.hits = {hit};
    applyIntegrationRatio(sequence, options);
    EXPECT_TRUE(std::isnan(sequence.hits[0].score));

    // No guard: a zero mean gives what floating point gives.
    sequence.globalScoreMean = 0;
    sequence.hits = {hit};
    applyIntegrationRatio(sequence, options);
    EXPECT_EQ(sequence.hits[0].score, -std::numeric_limits<double>::infinity());
}

TEST(IntegrationBuffer, ClearingReleasesEveryHit)
{
    IntegrationWindows windows = primedByHand({1, 2, 3, 4, 5}, 3, 1.5, 4.5);
    clearWindowHits(windows);
    EXPECT_TRUE(windows.windowHits.empty());

    windows = primedByHand({1, 2, 3, 4, 5}, 3, 1.5, 4.5);
    buildIntegrationWindows(Options(), windows);
    EXPECT_TRUE(windows.windowHits.empty());
}
