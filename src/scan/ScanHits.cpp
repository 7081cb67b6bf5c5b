#include "scan/ScanHits.h"

#include <algorithm>
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
    if (options.mergeStrandPairs) {
        if (inScanOrder_ && !keepsScanOrder(candidate)) {
            // The index has not been used so far: it takes the list as it stands.
            inScanOrder_ = false;
            std::vector<std::uint32_t>().swap(forwardPositions_);
        }
        std::size_t partner = StrandPairIndex::none;
        const int outcome = inScanOrder_ ? mergeInScanOrder(candidate, options.methodCode, partner)
                                         : mergeWithTwin(candidate, options.methodCode, partner);
        if (outcome != -1)
            return;
    }
    records_.push_back(candidate);
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
    if (!ScoreSense::ofMethod(methodCode).better(candidate.score, records_[index].score)) {
        droppedTwinScores_.push_back(candidate.score);
        return 0;
    }
    droppedTwinScores_.push_back(records_[index].score);
    records_[index] = candidate;
    return 1;
}

int ScanHits::mergeWithTwin(const ScanHit& candidate, std::int32_t methodCode, std::size_t& partner)
{
    partner = index_.firstAt(records_, twinPosition(candidate.position, candidate.forward, windowLength_),
                             !candidate.forward);
    if (partner == StrandPairIndex::none)
        return -1;
    ScanHit& stored = records_[partner];
    if (!ScoreSense::ofMethod(methodCode).better(candidate.score, stored.score)) {
        droppedTwinScores_.push_back(candidate.score);
        return 0;
    }
    droppedTwinScores_.push_back(stored.score);
    const std::uint32_t oldPosition = stored.position;
    const bool oldForward = stored.forward;
    stored = candidate;
    index_.moveFirst(records_, partner, oldPosition, oldForward);
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

std::size_t StrandPairIndex::firstAt(const RecordArray<ScanHit>& records, std::uint32_t position, bool forward)
{
    catchUp(records, forward);
    const StrandTable& table = tableOf(forward);
    if (table.usedChains == 0)
        return none;
    return table.chains[table.slotOf(position)].first;
}

void StrandPairIndex::moveFirst(const RecordArray<ScanHit>& records, std::size_t index, std::uint32_t oldPosition,
                                bool oldForward)
{
    StrandTable& oldTable = tableOf(oldForward);
    Chain& chain = oldTable.chains[oldTable.slotOf(oldPosition)];
    chain.first = nextAtPlace_[index];
    if (chain.first == none)
        chain.last = none;
    // A table that has not come this far yet takes the hit when it catches up.
    StrandTable& newTable = tableOf(records[index].forward);
    if (index < newTable.indexedHits) {
        newTable.reserve(1);
        insert(newTable, index, records[index].position);
    }
}

void StrandPairIndex::catchUp(const RecordArray<ScanHit>& records, bool forward)
{
    StrandTable& table = tableOf(forward);
    if (records.size() == table.indexedHits)
        return;
    if (nextAtPlace_.size() < records.size())
        nextAtPlace_.resize(records.size(), none);
    std::size_t arriving = 0;
    for (std::size_t index = table.indexedHits; index < records.size(); ++index)
        arriving += records[index].forward == forward ? 1 : 0;
    table.reserve(arriving);
    for (; table.indexedHits < records.size(); ++table.indexedHits) {
        const ScanHit& record = records[table.indexedHits];
        if (record.forward == forward)
            insert(table, table.indexedHits, record.position);
    }
}

std::size_t StrandPairIndex::StrandTable::slotOf(std::uint64_t place) const
{
    // Fibonacci hashing into a power-of-two table, then linear probing.
    const std::size_t mask = chains.size() - 1;
    std::size_t slot = static_cast<std::size_t>((place * 0x9E3779B97F4A7C15ull) >> 32) & mask;
    while (chains[slot].place != place && chains[slot].place != unusedPlace)
        slot = (slot + 1) & mask;
    return slot;
}

void StrandPairIndex::StrandTable::reserve(std::size_t count)
{
    // At most half full, so that a look-up for an absent place ends soon.
    std::size_t size = std::max<std::size_t>(chains.size(), 64);
    while (2 * (usedChains + count) > size)
        size *= 2;
    if (size == chains.size())
        return;
    const std::vector<Chain> previous = std::exchange(chains, std::vector<Chain>(size));
    for (const Chain& chain : previous) {
        if (chain.place != unusedPlace)
            chains[slotOf(chain.place)] = chain;
    }
}

void StrandPairIndex::insert(StrandTable& table, std::size_t index, std::uint64_t place)
{
    Chain& chain = table.chains[table.slotOf(place)];
    if (chain.place == unusedPlace) {
        chain.place = place;
        ++table.usedChains;
    }
    nextAtPlace_[index] = none;
    if (chain.first == none) {
        chain.first = index;
        chain.last = index;
    } else if (index < chain.first) {
        nextAtPlace_[index] = chain.first;
        chain.first = index;
    } else if (index > chain.last) {
        nextAtPlace_[chain.last] = index;
        chain.last = index;
    } else {
        std::size_t before = chain.first;
        while (nextAtPlace_[before] < index)
            before = nextAtPlace_[before];
        nextAtPlace_[index] = nextAtPlace_[before];
        nextAtPlace_[before] = index;
    }
}
