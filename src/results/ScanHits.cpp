#include "results/ScanHits.h"

#include <algorithm>

#include "driver/FreshMemory.h"
#include "driver/Threads.h"
#include "options/Options.h"
#include "results/Hit.h"
#include "scoring/IntegrationWindows.h"
#include "sequences/Sequence.h"

namespace {

// From this many hits on, a second thread builds half of them.
constexpr std::size_t parallelHits = 16384;

} // namespace

void ScanHits::reserve(std::size_t count)
{
    records_.reserve(count);
    letters_.reserve(count * windowLength_);
}

void ScanHits::reserveFilledSoon(std::size_t count)
{
    const std::size_t kept = records_.size();
    reserve(count);
    if (count > kept) {
        prepareMemory(records_.data() + kept, (count - kept) * sizeof(ScanHit));
        prepareMemory(letters_.data() + kept * windowLength_, (count - kept) * windowLength_);
    }
}

void ScanHits::consider(const ScanHit& candidate, const char* letters, const Options& options)
{
    if (!passesCutoff(candidate.score, options.cutoff, lowerIsBetter(options.methodCode)))
        return;
    if (options.mergeStrandPairs) {
        if (inScanOrder_ && !keepsScanOrder(candidate)) {
            // The index has not been used so far: it takes the list as it stands.
            inScanOrder_ = false;
            std::vector<std::uint32_t>().swap(forwardPositions_);
        }
        std::size_t partner = StrandPairIndex::none;
        const int outcome = inScanOrder_
                                ? mergeInScanOrder(candidate, options.methodCode, partner)
                                : mergeWithTwin(records_, index_, candidate, windowLength_, options.methodCode, partner);
        if (outcome == 1)
            std::copy(letters, letters + windowLength_, &letters_[partner * windowLength_]);
        if (outcome != -1)
            return;
    }
    records_.push_back(candidate);
    letters_.append(letters, windowLength_);
}

bool ScanHits::keepsScanOrder(const ScanHit& candidate)
{
    if (candidate.forward)
        return !reverseSeen_ && (records_.empty() || candidate.position > records_.back().position);
    if (!reverseSeen_) {
        reverseSeen_ = true;
        forwardPositions_.reserve(records_.size());
        for (const ScanHit& record : records_)
            forwardPositions_.push_back(record.position);
    }
    return true;
}

int ScanHits::mergeInScanOrder(const ScanHit& candidate, std::int32_t methodCode, std::size_t& partner)
{
    partner = StrandPairIndex::none;
    // Before the first reverse candidate every record is forward: no twin.
    if (candidate.forward)
        return -1;
    // Forward positions are unique, so the one at the twin's place is the
    // first in stored order; an overwritten one is a reverse record now.
    const std::uint32_t twin = twinPosition(candidate.position, false, windowLength_);
    const std::size_t index = forwardPlaceOf(twin);
    if (index == forwardPositions_.size() || forwardPositions_[index] != twin)
        return -1;
    if (!records_[index].forward)
        return -1;
    partner = index;
    if (!isBetterScore(candidate.score, records_[index].score, methodCode))
        return 0;
    records_[index] = candidate;
    return 1;
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

void ScanHits::moveSortedInto(Sequence& sequence, const Options& options)
{
    // The order does not depend on the rest: with many hits, the sort runs
    // while the other thread makes the room for the hits, whose memory both
    // threads make ready first, and each hit's letters, in the records' order.
    // A stored hit is the scan's working hit, reset, then given the record's
    // fields and its letters.
    std::vector<std::size_t> order;
    std::vector<Hit> hits;
    std::vector<std::string> windows;
    const std::size_t count = records_.size();
    hits.reserve(count);
    windows.reserve(count);
    prepareMemory(hits.data(), count * sizeof(Hit));
    prepareMemory(windows.data(), count * sizeof(std::string));
    runTogether(
        count >= parallelHits && secondThreadAllowed(),
        [&] {
            hits.assign(count, Hit(windowLength_));
            for (std::size_t index = 0; index < count; ++index)
                windows.emplace_back(&letters_[index * windowLength_], windowLength_);
        },
        [&] { order = sortedOrder(records_, options); });
    inTwoHalves(order.size(), parallelHits, [&](std::size_t begin, std::size_t end) {
        for (std::size_t place = begin; place < end; ++place) {
            const std::size_t from = order[place];
            const ScanHit& record = records_[from];
            Hit& hit = hits[place];
            hit.window = std::move(windows[from]);
            hit.position = record.position;
            hit.forward = record.forward;
            hit.score = record.score;
            hit.localMean = record.localMean;
            hit.upMean = record.upMean;
            hit.downMean = record.downMean;
        }
    });
    sequence.hitIndex.clear();
    sequence.hits = std::move(hits);
    *this = ScanHits(windowLength_);
}
