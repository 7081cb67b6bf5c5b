#include "scan/ScanHits.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "base/FreshMemory.h"
#include "options/Options.h"
#include "scoring/IntegrationWindows.h"
#include "scoring/ScoreSense.h"

namespace {

// Only the true twin covers the same letters: a reverse window at p is the
// forward window at p - windowLength. Unsigned arithmetic wraps on purpose.
std::uint32_t twinPosition(std::uint32_t position, bool forward, std::uint32_t windowLength)
{
    return forward ? static_cast<std::uint32_t>(position + windowLength)
                   : static_cast<std::uint32_t>(position - windowLength);
}

} // namespace

void ScanHits::reserve(std::size_t count)
{
    records_.reserve(count);
}

void ScanHits::reserveFilledSoon(std::size_t count)
{
    const std::size_t kept = records_.size();
    reserve(count);
    if (count > kept)
        prepareMemory(records_.data() + kept, (count - kept) * sizeof(ScanHit));
}

void ScanHits::consider(const ScanHit& candidate, const Options& options)
{
    if (options.mergeStrandPairs && mergedWithTwin(candidate, options.methodCode))
        return;
    records_.push_back(candidate);
}

bool ScanHits::mergedWithTwin(const ScanHit& candidate, std::int32_t methodCode)
{
    if (candidate.forward) {
        // Before the first reverse candidate every record is forward: no twin.
        if (reverseSeen_ || (!records_.empty() && candidate.position <= records_.back().position))
            throw std::logic_error("ScanHits: a forward window out of scan order");
        return false;
    }
    if (!reverseSeen_) {
        reverseSeen_ = true;
        forwardPositions_.reserve(records_.size());
        for (const ScanHit& record : records_)
            forwardPositions_.push_back(record.position);
    }
    // Forward positions are unique, so the one at the twin's place is the
    // first in stored order; an overwritten one is a reverse record now.
    const std::uint32_t twin = twinPosition(candidate.position, false, windowLength_);
    const std::size_t index = forwardPlaceOf(twin);
    if (index == forwardPositions_.size() || forwardPositions_[index] != twin || !records_[index].forward)
        return false;
    if (!ScoreSense::ofMethod(methodCode).better(candidate.score, records_[index].score)) {
        droppedTwinScores_.push_back(candidate.score);
        return true;
    }
    droppedTwinScores_.push_back(records_[index].score);
    records_[index] = candidate;
    return true;
}

std::size_t ScanHits::forwardPlaceOf(std::uint32_t position)
{
    const std::vector<std::uint32_t>& positions = forwardPositions_;
    const std::size_t count = positions.size();
    const std::size_t last = std::min(lastForwardPlace_, count);
    // The place lies in [low, high].
    std::size_t low = 0;
    std::size_t high = count;
    std::size_t step = 1;
    if (last < count && positions[last] < position) {
        low = last + 1;
        while (last + step < count && positions[last + step] < position) {
            low = last + step + 1;
            step *= 2;
        }
        high = std::min(last + step, count);
    } else {
        high = last;
        while (step <= last && positions[last - step] >= position) {
            high = last - step;
            step *= 2;
        }
        low = step <= last ? last - step + 1 : 0;
    }
    const auto first = positions.begin();
    lastForwardPlace_ = static_cast<std::size_t>(
        std::lower_bound(first + static_cast<std::ptrdiff_t>(low), first + static_cast<std::ptrdiff_t>(high), position)
        - first);
    return lastForwardPlace_;
}

void ScanHits::applyIntegrationRatio(double globalScoreMean, const Options& options)
{
    for (ScanHit& hit : records_)
        hit.score = integratedScore(hit.score, hit.localMean, hit.upMean, hit.downMean, globalScoreMean,
                                    options.integrationMode);
}
