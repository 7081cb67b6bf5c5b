#include "scoring/IntegrationWindows.h"

#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

#include "base/ErrorReport.h"
#include "options/Options.h"

void buildIntegrationWindows(const Options& options, IntegrationWindows& windows)
{
    windows.slots.clear();
    windows.oldestSlot = 0;
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

void primeWindowSlots(IntegrationWindows& windows, std::size_t textLength, bool forward, std::uint32_t siteLength,
                      const std::function<double(std::size_t)>& scoreAt)
{
    windows.slots.clear();
    windows.oldestSlot = 0;
    windows.globalMean = 0.0;
    windows.localMean = 0.0;
    windows.upMean = 0.0;
    windows.downMean = 0.0;

    const std::uint64_t text = textLength;
    const std::uint64_t site = siteLength;
    const std::uint64_t centre = windows.centreIndex;
    if (text < site + 2 * centre || text < centre + site + 1)
        return;

    // The text ends with a copy of its first siteLength + centre letters, so
    // window i starts at S - centre + i even where it crosses the origin.
    const std::uint64_t firstOffset = text - (site + 2 * centre);
    const std::uint64_t strandLength = text - centre - site;
    std::uint64_t coordinate = text - 2 * centre - site;
    const std::uint64_t windowCount = static_cast<std::uint64_t>(windows.windowCount);
    for (std::uint64_t i = 0; i < windowCount; ++i) {
        // The reverse strand takes the scan's own coordinate, so that a primed
        // window is reported (and merged with its twin) like a scanned one.
        const auto position = static_cast<std::uint32_t>(forward ? coordinate : strandLength - coordinate);
        const auto offset = static_cast<std::size_t>(firstOffset + i);
        const double score = scoreAt(offset);
        windows.slots.push_back({score, offset, position});
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
