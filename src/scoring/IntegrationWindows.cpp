#include "scoring/IntegrationWindows.h"

#include <cstdlib>
#include <functional>
#include <stdexcept>
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

namespace {

// Walks the W windows around the origin of the current strand in buffer
// order, as on a circular molecule: the centre's reach of windows before the
// origin (the strand's own end), then those from it on. `take(textOffset,
// position)` scores and buffers the next window and returns its score; the
// means are summed in buffer order. A strand too short for the span is not primed.
template <typename Take>
void primeWindows(std::uint64_t textLength, bool forward, IntegrationWindows& windows, std::uint64_t siteLength,
                  Take take)
{
    clearWindowHits(windows);
    windows.globalMean = 0.0;
    windows.localMean = 0.0;
    windows.upMean = 0.0;
    windows.downMean = 0.0;

    const std::uint64_t centre = windows.centreIndex;
    if (textLength < siteLength + 2 * centre || textLength < centre + siteLength + 1)
        return;

    // The text ends with a copy of its first siteLength + centre letters, so
    // window i starts at S - centre + i even where it crosses the origin.
    const std::uint64_t firstOffset = textLength - (siteLength + 2 * centre);
    const std::uint64_t strandLength = textLength - centre - siteLength;
    std::uint64_t coordinate = textLength - 2 * centre - siteLength;
    const std::uint64_t windowCount = static_cast<std::uint64_t>(windows.windowCount);
    for (std::uint64_t i = 0; i < windowCount; ++i) {
        // The reverse strand takes the scan's own coordinate, so that a primed
        // window is reported (and merged with its twin) like a scanned one.
        const auto position = static_cast<std::uint32_t>(forward ? coordinate : strandLength - coordinate);
        const double score = take(static_cast<std::size_t>(firstOffset + i), position);
        windows.localMean += score;
        if (windows.upFirstIndex <= i && i <= windows.upLastIndex)
            windows.upMean += score;
        if (windows.downFirstIndex <= i && i <= windows.downLastIndex)
            windows.downMean += score;
        coordinate = i + 1 == centre ? 0 : coordinate + 1;
    }
    windows.localMean /= static_cast<double>(windows.windowCount);
    windows.upMean /= static_cast<double>(windows.upCount);
    windows.downMean /= static_cast<double>(windows.downCount);
}

// Where buffer index `index` lies in the ring.
std::size_t slotOf(const IntegrationWindows& windows, std::size_t index)
{
    const std::size_t slot = windows.oldestSlot + index;
    return slot >= windows.slots.size() ? slot - windows.slots.size() : slot;
}

// Unchecked: every index of a primed ring is in range, and an unprimed ring
// is refused once per slide, not once per read.
WindowSlot& slotAt(IntegrationWindows& windows, std::size_t index)
{
    return windows.slots[slotOf(windows, index)];
}

} // namespace

void primeIntegrationWindows(const Sequence& sequence, IntegrationWindows& windows, SiteCollection& collection,
                             const Options& options)
{
    const auto method = static_cast<std::uint32_t>(options.methodCode);
    const std::uint32_t siteLength = collection.siteLength;
    primeWindows(sequence.bases.size(), sequence.forward, windows, siteLength,
                 [&](std::size_t textOffset, std::uint32_t position) {
                     Hit hit(siteLength);
                     hit.window = sequence.bases.substr(textOffset, siteLength);
                     hit.forward = sequence.forward;
                     hit.position = position;
                     scoreWindow(method, hit, sequence, collection);
                     windows.windowHits.push_back(hit);
                     return hit.score;
                 });
}

void primeWindowSlots(IntegrationWindows& windows, std::size_t textLength, bool forward, std::uint32_t siteLength,
                      const std::function<double(std::size_t)>& scoreAt)
{
    primeWindows(textLength, forward, windows, siteLength,
                 [&](std::size_t textOffset, std::uint32_t position) {
                     const double score = scoreAt(textOffset);
                     windows.slots.push_back({score, textOffset, position});
                     return score;
                 });
}

const WindowSlot& centreSlot(const IntegrationWindows& windows)
{
    return windows.slots.at(slotOf(windows, windows.centreIndex));
}

void slideWindowSlots(IntegrationWindows& windows, const WindowSlot& newest, std::size_t textLength)
{
    if (windows.slots.empty())
        throw std::out_of_range("window ring not primed");
    const auto span = static_cast<double>(windows.windowCount);
    const auto upCount = static_cast<double>(windows.upCount);
    const auto downCount = static_cast<double>(windows.downCount);
    const std::size_t lastIndex = windows.slots.size() - 1;

    windows.localMean -= slotAt(windows, 0).score / span;
    windows.upMean -= slotAt(windows, windows.upFirstIndex).score / upCount;
    windows.downMean -= slotAt(windows, windows.downFirstIndex).score / downCount;

    // The oldest slot takes the newest window, which puts it at the last index.
    slotAt(windows, 0) = newest;
    windows.oldestSlot = windows.oldestSlot == lastIndex ? 0 : windows.oldestSlot + 1;

    windows.localMean += slotAt(windows, lastIndex).score / span;
    windows.upMean += slotAt(windows, windows.upLastIndex).score / upCount;
    windows.downMean += slotAt(windows, windows.downLastIndex).score / downCount;

    windows.globalMean += newest.score / static_cast<double>(textLength);
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
    std::vector<WindowSlot>().swap(windows.slots);
    windows.oldestSlot = 0;
}

double integratedScore(double score, double localMean, double upMean, double downMean, double globalMean,
                       std::int32_t integrationMode)
{
    const double up = upMean;
    double denominator = globalMean;
    if (integrationMode == 2)
        denominator = localMean;
    else if (integrationMode == 3)
        denominator = downMean;
    double ratio = up / denominator;
    if (up < 0 && denominator < 0)
        ratio = 1 / ratio;
    return score * ratio;
}

void applyIntegrationRatio(Sequence& sequence, const Options& options)
{
    for (Hit& hit : sequence.hits)
        hit.score = integratedScore(hit.score, hit.localMean, hit.upMean, hit.downMean, sequence.globalScoreMean,
                                    options.integrationMode);
}
