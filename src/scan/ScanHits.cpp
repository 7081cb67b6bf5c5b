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
    if (count > kept) {
        prepareMemory(records_.data() + kept, (count - kept) * sizeof(ScanHit));
        // Each candidate to come that meets its twin leaves one of them out.
        droppedTwinScores_.reserve(droppedTwinScores_.size() + (count - kept));
    }
}

void ScanHits::consider(const ScanHit& candidate, const WindowMeans& means, const Options& options)
{
    const std::size_t place =
        options.mergeStrandPairs ? placeBesideTwin(candidate, options.methodCode) : records_.size();
    if (place == noPlace)
        return;
    if (place == records_.size()) {
        records_.push_back(candidate);
        if (options.useIntegration)
            means_.push_back(means);
        return;
    }
    records_[place] = candidate;
    if (options.useIntegration)
        means_[place] = means;
}

std::size_t ScanHits::placeBesideTwin(const ScanHit& candidate, std::int32_t methodCode)
{
    if (candidate.forward) {
        // Before the first reverse candidate every record is forward: no twin.
        if (reverseSeen_ || (!records_.empty() && candidate.position <= records_.back().position))
            throw std::logic_error("ScanHits: a forward window out of scan order");
        return records_.size();
    }
    if (!reverseSeen_) {
        reverseSeen_ = true;
        forwardCount_ = records_.size();
        lastForwardPlace_ = forwardCount_;
    }
    // Forward positions are unique, so the one at the twin's place is the
    // first in stored order; one that gave way is a reverse record now.
    const std::uint32_t twin = twinPosition(candidate.position, false, windowLength_);
    const std::size_t index = forwardPlaceOf(twin);
    if (index == forwardCount_ || !records_[index].forward || records_[index].position != twin)
        return records_.size();
    if (!ScoreSense::ofMethod(methodCode).better(candidate.score, records_[index].score)) {
        droppedTwinScores_.push_back(candidate.score);
        return noPlace;
    }
    droppedTwinScores_.push_back(records_[index].score);
    return index;
}

std::uint32_t ScanHits::forwardPositionAt(std::size_t index) const
{
    // Without a branch: the two kinds of record come in no order to predict.
    const ScanHit& record = records_[index];
    return record.position - windowLength_ * static_cast<std::uint32_t>(!record.forward);
}

std::size_t ScanHits::forwardPlaceOf(std::uint32_t position)
{
    std::size_t place = std::min(lastForwardPlace_, forwardCount_);
    while (place < forwardCount_ && forwardPositionAt(place) < position)
        ++place;
    while (place > 0 && forwardPositionAt(place - 1) >= position)
        --place;
    lastForwardPlace_ = place;
    return place;
}

void ScanHits::applyIntegrationRatio(double globalScoreMean, const Options& options)
{
    for (std::size_t i = 0; i < records_.size(); ++i) {
        const WindowMeans means = meansOf(i);
        records_[i].score = integratedScore(records_[i].score, means.local, means.up, means.down, globalScoreMean,
                                            options.integrationMode);
    }
}
