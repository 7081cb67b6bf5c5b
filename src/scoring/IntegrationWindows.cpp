#include "scoring/IntegrationWindows.h"

#include <cstdlib>
#include <string>

#include "driver/ErrorReport.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "scoring/Scoring.h"
#include "sequences/Sequence.h"

void buildIntegrationWindows(const Options& options, IntegrationWindows& windows)
{
    clearWindowHits(windows);
    // 64-bit throughout, so that any 32-bit offsets give exact differences and spans.
    const std::int64_t upStart = options.upstreamMeanStart;
    const std::int64_t upEnd = options.upstreamMeanEnd;
    const std::int64_t downStart = options.downstreamMeanStart;
    const std::int64_t downEnd = options.downstreamMeanEnd;

    if (downStart - upEnd < 0)
        reportError({"Error: overlapping intervals for integration. Please check Options file!"});
    if (upEnd - upStart < 1)
        reportError({"Error in upstream mean interval. Please check Options file!"});
    windows.upCount = upEnd - upStart + 1;
    if (downEnd - downStart < 1)
        reportError({"Error in downstream mean interval. Please check Options file!"});
    windows.downCount = downEnd - downStart + 1;

    // Only the outer offsets set the span, which stays symmetric about the centre.
    const std::int64_t reach = std::abs(upStart) < std::abs(downEnd) ? std::abs(downEnd) : std::abs(upStart);
    windows.windowCount = 2 * reach + 1;
    const std::int64_t centre = (windows.windowCount - 1) / 2;
    windows.centreIndex = static_cast<std::uint32_t>(centre);
    windows.upFirstIndex = static_cast<std::uint32_t>(upStart + centre);
    windows.upLastIndex = static_cast<std::uint32_t>(upEnd + centre);
    windows.downFirstIndex = static_cast<std::uint32_t>(downStart + centre);
    windows.downLastIndex = static_cast<std::uint32_t>(downEnd + centre);
}

void primeIntegrationWindows(const Sequence& sequence, IntegrationWindows& windows, SiteCollection& collection,
                             const Options& options)
{
    clearWindowHits(windows);
    windows.globalMean = 0.0;
    windows.localMean = 0.0;
    windows.upMean = 0.0;
    windows.downMean = 0.0;

    const std::string& text = sequence.bases;
    const std::uint64_t textLength = text.size();
    const std::uint64_t centre = windows.centreIndex;
    const std::uint64_t siteLength = collection.siteLength;
    // The priming text needs the centre's reach of letters before the origin
    // (the strand's own end) and a whole span after it.
    if (textLength < siteLength + 2 * centre || textLength < centre + siteLength + 1)
        return;

    // The windows just before the origin, then those from it on, as on a circular molecule.
    const std::string priming =
        text.substr(textLength - (siteLength + 2 * centre), centre) + text.substr(0, centre + siteLength + 1);
    const std::uint64_t strandLength = textLength - centre - siteLength;
    std::uint64_t coordinate = textLength - 2 * centre - siteLength;
    const std::uint64_t windowCount = static_cast<std::uint64_t>(windows.windowCount);
    const auto method = static_cast<std::uint32_t>(options.methodCode);
    for (std::uint64_t i = 0; i < windowCount; ++i) {
        Hit hit(collection.siteLength);
        hit.window = priming.substr(i, siteLength);
        hit.forward = sequence.forward;
        // The reverse strand takes the scan's own coordinate, so that a primed
        // window is reported (and merged with its twin) like a scanned one.
        hit.position = static_cast<std::uint32_t>(sequence.forward ? coordinate : strandLength - coordinate);
        scoreWindow(method, hit, sequence, collection);
        windows.windowHits.push_back(hit);
        windows.localMean += hit.score;
        if (windows.upFirstIndex <= i && i <= windows.upLastIndex)
            windows.upMean += hit.score;
        if (windows.downFirstIndex <= i && i <= windows.downLastIndex)
            windows.downMean += hit.score;
        coordinate = i + 1 == centre ? 0 : coordinate + 1;
    }
    windows.localMean /= static_cast<double>(windows.windowCount);
    windows.upMean /= static_cast<double>(windows.upCount);
    windows.downMean /= static_cast<double>(windows.downCount);
}

void takeCentreHit(IntegrationWindows& windows, Hit& centre)
{
    Hit& buffered = windows.windowHits.at(windows.centreIndex);
    buffered.localMean = windows.localMean;
    buffered.upMean = windows.upMean;
    buffered.downMean = windows.downMean;
    centre = buffered;
}

void slideIntegrationWindows(IntegrationWindows& windows, const Hit& newest, const Sequence& sequence)
{
    std::deque<Hit>& buffer = windows.windowHits;
    const auto span = static_cast<double>(windows.windowCount);
    const auto upCount = static_cast<double>(windows.upCount);
    const auto downCount = static_cast<double>(windows.downCount);

    windows.localMean -= buffer.at(0).score / span;
    windows.upMean -= buffer.at(windows.upFirstIndex).score / upCount;
    windows.downMean -= buffer.at(windows.downFirstIndex).score / downCount;

    buffer.push_back(newest);
    buffer.pop_front();

    windows.localMean += buffer.at(buffer.size() - 1).score / span;
    windows.upMean += buffer.at(windows.upLastIndex).score / upCount;
    windows.downMean += buffer.at(windows.downLastIndex).score / downCount;

    windows.globalMean += newest.score / static_cast<double>(sequence.bases.size());
}

void clearWindowHits(IntegrationWindows& windows)
{
    // Swapping with an empty buffer releases the memory, not just the Hits.
    std::deque<Hit>().swap(windows.windowHits);
}

void applyIntegrationRatio(Sequence& sequence, const Options& options)
{
    for (Hit& hit : sequence.hits) {
        const double up = hit.upMean;
        double denominator = sequence.globalScoreMean;
        if (options.integrationMode == 2)
            denominator = hit.localMean;
        else if (options.integrationMode == 3)
            denominator = hit.downMean;
        double ratio = up / denominator;
        if (up < 0 && denominator < 0)
            ratio = 1 / ratio;
        hit.score = hit.score * ratio;
    }
}
