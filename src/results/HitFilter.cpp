#include "results/HitFilter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "options/Options.h"
#include "results/Hit.h"
#include "results/ScanHits.h"
#include "sequences/Sequence.h"

namespace {

// Best first in the method's score sense; NaN goes after every number, which
// keeps the comparison a strict weak ordering.
bool scoresBefore(double a, double b, bool lowerBetter)
{
    if (std::isnan(a))
        return false;
    if (std::isnan(b))
        return true;
    return lowerBetter ? a < b : a > b;
}

// The order of the records by one key each, compared with `before`; the
// record indexes are of type Index: the smaller the entries, the less memory
// the sort moves.
template <typename Index, typename Records, typename KeyOf, typename Before>
std::vector<std::size_t> orderByKey(const Records& records, KeyOf keyOf, Before before)
{
    using Key = decltype(keyOf(records[0]));
    struct Entry {
        Key key;
        Index index; // in the unsorted records
    };
    std::vector<Entry> entries;
    entries.reserve(records.size());
    for (std::size_t index = 0; index < records.size(); ++index)
        entries.push_back({keyOf(records[index]), static_cast<Index>(index)});
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) { return before(a.key, b.key); });
    std::vector<std::size_t> order;
    order.reserve(entries.size());
    for (const Entry& entry : entries)
        order.push_back(entry.index);
    return order;
}

template <typename Index, typename Records>
std::vector<std::size_t> sortedOrderOf(const Records& records, const Options& options)
{
    if (options.sortByScore) {
        const bool lowerBetter = lowerIsBetter(options.methodCode);
        return orderByKey<Index>(
            records, [](const auto& record) { return record.score; },
            [lowerBetter](double a, double b) { return scoresBefore(a, b, lowerBetter); });
    }
    return orderByKey<Index>(
        records, [](const auto& record) { return record.position; },
        [](std::uint32_t a, std::uint32_t b) { return a < b; });
}

// hits[i] becomes the former hits[order[i]], each record moving once along its cycle.
void moveIntoOrder(std::vector<Hit>& hits, std::vector<std::size_t>& order)
{
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start)
            continue;
        Hit held = std::move(hits[start]);
        std::size_t to = start;
        while (order[to] != start) {
            const std::size_t from = order[to];
            hits[to] = std::move(hits[from]);
            order[to] = to;
            to = from;
        }
        hits[to] = std::move(held);
        order[to] = to;
    }
}

} // namespace

bool isBetterScore(double candidate, double stored, std::int32_t methodCode)
{
    if (lowerIsBetter(methodCode))
        return candidate < stored;
    return candidate > stored;
}

std::uint32_t twinPosition(std::uint32_t position, bool forward, std::uint32_t windowLength)
{
    return forward ? static_cast<std::uint32_t>(position + windowLength)
                   : static_cast<std::uint32_t>(position - windowLength);
}

template <typename Records>
std::size_t StrandPairIndex::firstAt(const Records& hits, std::uint32_t position, bool forward)
{
    catchUp(hits, forward);
    const StrandTable& table = tableOf(forward);
    if (table.usedChains == 0)
        return none;
    return table.chains[table.slotOf(position)].first;
}

template <typename Records>
void StrandPairIndex::moveFirst(const Records& hits, std::size_t index, std::uint32_t oldPosition,
                                bool oldForward)
{
    StrandTable& oldTable = tableOf(oldForward);
    Chain& chain = oldTable.chains[oldTable.slotOf(oldPosition)];
    chain.first = nextAtPlace_[index];
    if (chain.first == none)
        chain.last = none;
    // A table that has not come this far yet takes the hit when it catches up.
    StrandTable& newTable = tableOf(hits[index].forward);
    if (index < newTable.indexedHits) {
        newTable.reserve(1);
        insert(newTable, index, hits[index].position);
    }
}

void StrandPairIndex::clear()
{
    // Gives the memory back too: a cleared index is usually not used again.
    *this = StrandPairIndex();
}

template <typename Records>
void StrandPairIndex::catchUp(const Records& hits, bool forward)
{
    if (hits.size() < forward_.indexedHits || hits.size() < reverse_.indexedHits)
        clear();
    StrandTable& table = tableOf(forward);
    if (hits.size() == table.indexedHits)
        return;
    if (nextAtPlace_.size() < hits.size())
        nextAtPlace_.resize(hits.size(), none);
    std::size_t arriving = 0;
    for (std::size_t index = table.indexedHits; index < hits.size(); ++index)
        arriving += hits[index].forward == forward ? 1 : 0;
    table.reserve(arriving);
    for (; table.indexedHits < hits.size(); ++table.indexedHits) {
        const auto& hit = hits[table.indexedHits];
        if (hit.forward == forward)
            insert(table, table.indexedHits, hit.position);
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

void considerHit(const Hit& candidate, const Options& options, Sequence& sequence)
{
    if (!passesCutoff(candidate.score, options.cutoff, lowerIsBetter(options.methodCode)))
        return;
    if (options.mergeStrandPairs && findStrandPartner(sequence, candidate, options) != -1)
        return;
    sequence.hits.push_back(candidate);
}

template <typename Records>
int mergeWithTwin(Records& records, StrandPairIndex& index, const typename Records::value_type& candidate,
                  std::uint32_t windowLength, std::int32_t methodCode, std::size_t& partner)
{
    partner = index.firstAt(records, twinPosition(candidate.position, candidate.forward, windowLength),
                            !candidate.forward);
    if (partner == StrandPairIndex::none)
        return -1;
    auto& stored = records[partner];
    if (!isBetterScore(candidate.score, stored.score, methodCode))
        return 0;
    const std::uint32_t oldPosition = stored.position;
    const bool oldForward = stored.forward;
    stored = candidate;
    index.moveFirst(records, partner, oldPosition, oldForward);
    return 1;
}

int findStrandPartner(Sequence& sequence, const Hit& candidate, const Options& options)
{
    std::size_t partner = StrandPairIndex::none;
    const int outcome = mergeWithTwin(sequence.hits, sequence.hitIndex, candidate, candidate.windowLength,
                                      options.methodCode, partner);
    sequence.hitCursor = outcome == -1 ? sequence.hits.size() : partner;
    return outcome;
}

int findStrandPartnerByWalk(Sequence& sequence, const Hit& candidate, const Options& options)
{
    const std::uint32_t twin = twinPosition(candidate.position, candidate.forward, candidate.windowLength);
    for (sequence.hitCursor = 0; sequence.hitCursor < sequence.hits.size(); ++sequence.hitCursor) {
        Hit& stored = sequence.hits[sequence.hitCursor];
        if (stored.forward == candidate.forward || stored.position != twin)
            continue;
        if (!isBetterScore(candidate.score, stored.score, options.methodCode))
            return 0;
        stored = candidate;
        return 1;
    }
    return -1;
}

template <typename Records>
std::vector<std::size_t> sortedOrder(const Records& records, const Options& options)
{
    // The plain introsort with the plain comparisons: the order among equal
    // keys is whatever that gives, the same on every run of the same input.
    // It runs on small keys and the records move once afterwards; the
    // comparisons, and so the order, are those of sorting the records.
    if (records.size() <= std::numeric_limits<std::uint32_t>::max())
        return sortedOrderOf<std::uint32_t>(records, options);
    return sortedOrderOf<std::size_t>(records, options);
}

void sortHits(Sequence& sequence, const Options& options)
{
    sequence.hitIndex.clear();
    std::vector<std::size_t> order = sortedOrder(sequence.hits, options);
    moveIntoOrder(sequence.hits, order);
}

// The two kinds of lists the filter works on.
template std::size_t StrandPairIndex::firstAt(const std::vector<Hit>&, std::uint32_t, bool);
template void StrandPairIndex::moveFirst(const std::vector<Hit>&, std::size_t, std::uint32_t, bool);
template int mergeWithTwin(std::vector<Hit>&, StrandPairIndex&, const Hit&, std::uint32_t, std::int32_t,
                           std::size_t&);
template std::vector<std::size_t> sortedOrder(const std::vector<Hit>&, const Options&);
template std::size_t StrandPairIndex::firstAt(const RecordArray<ScanHit>&, std::uint32_t, bool);
template void StrandPairIndex::moveFirst(const RecordArray<ScanHit>&, std::size_t, std::uint32_t, bool);
template int mergeWithTwin(RecordArray<ScanHit>&, StrandPairIndex&, const ScanHit&, std::uint32_t, std::int32_t,
                           std::size_t&);
template std::vector<std::size_t> sortedOrder(const RecordArray<ScanHit>&, const Options&);
