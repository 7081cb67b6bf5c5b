#include "results/HitFilter.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "options/Options.h"
#include "results/Hit.h"
#include "sequences/Sequence.h"

namespace {

bool isBetter(double candidate, double stored, std::int32_t methodCode)
{
    if (lowerIsBetter(methodCode))
        return candidate < stored;
    return candidate > stored;
}

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

struct SortKey {
    double score;
    std::uint32_t position;
    std::size_t index; // in the unsorted hits
};

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

std::uint64_t placeKey(std::uint32_t position, bool forward)
{
    return (std::uint64_t{position} << 1) | (forward ? 1u : 0u);
}

// Only the true twin covers the same letters: a reverse window at p is the
// forward window at p - windowLength. Unsigned arithmetic wraps on purpose.
std::uint32_t twinPosition(const Hit& candidate)
{
    return candidate.forward ? static_cast<std::uint32_t>(candidate.position + candidate.windowLength)
                             : static_cast<std::uint32_t>(candidate.position - candidate.windowLength);
}

} // namespace

std::size_t StrandPairIndex::firstAt(const std::vector<Hit>& hits, std::uint32_t position, bool forward)
{
    catchUp(hits);
    if (chains_.empty())
        return none;
    return chains_[slotOf(placeKey(position, forward))].first;
}

void StrandPairIndex::moveFirst(const std::vector<Hit>& hits, std::size_t index, std::uint32_t oldPosition,
                                bool oldForward)
{
    Chain& chain = chains_[slotOf(placeKey(oldPosition, oldForward))];
    chain.first = nextAtPlace_[index];
    if (chain.first == none)
        chain.last = none;
    insert(index, placeKey(hits[index].position, hits[index].forward));
}

void StrandPairIndex::clear()
{
    // Gives the memory back too: a cleared index is usually not used again.
    *this = StrandPairIndex();
}

void StrandPairIndex::catchUp(const std::vector<Hit>& hits)
{
    if (hits.size() < indexedHits_)
        clear();
    if (hits.size() == indexedHits_)
        return;
    nextAtPlace_.resize(hits.size(), none);
    for (; indexedHits_ < hits.size(); ++indexedHits_)
        insert(indexedHits_, placeKey(hits[indexedHits_].position, hits[indexedHits_].forward));
}

std::size_t StrandPairIndex::slotOf(std::uint64_t place) const
{
    // Fibonacci hashing into a power-of-two table, then linear probing.
    const std::size_t mask = chains_.size() - 1;
    std::size_t slot = static_cast<std::size_t>((place * 0x9E3779B97F4A7C15ull) >> 32) & mask;
    while (chains_[slot].place != place && chains_[slot].place != unusedPlace)
        slot = (slot + 1) & mask;
    return slot;
}

void StrandPairIndex::grow()
{
    const std::vector<Chain> previous =
        std::exchange(chains_, std::vector<Chain>(std::max<std::size_t>(64, 2 * chains_.size())));
    for (const Chain& chain : previous) {
        if (chain.place != unusedPlace)
            chains_[slotOf(chain.place)] = chain;
    }
}

void StrandPairIndex::insert(std::size_t index, std::uint64_t place)
{
    // At most half full, so that a look-up for an absent place ends soon.
    if (2 * (usedChains_ + 1) > chains_.size())
        grow();
    Chain& chain = chains_[slotOf(place)];
    if (chain.place == unusedPlace) {
        chain.place = place;
        ++usedChains_;
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

int findStrandPartner(Sequence& sequence, const Hit& candidate, const Options& options)
{
    const std::size_t partner = sequence.hitIndex.firstAt(sequence.hits, twinPosition(candidate), !candidate.forward);
    if (partner == StrandPairIndex::none) {
        sequence.hitCursor = sequence.hits.size();
        return -1;
    }
    sequence.hitCursor = partner;
    Hit& stored = sequence.hits[partner];
    if (!isBetter(candidate.score, stored.score, options.methodCode))
        return 0;
    const std::uint32_t oldPosition = stored.position;
    const bool oldForward = stored.forward;
    stored = candidate;
    sequence.hitIndex.moveFirst(sequence.hits, partner, oldPosition, oldForward);
    return 1;
}

int findStrandPartnerByWalk(Sequence& sequence, const Hit& candidate, const Options& options)
{
    const std::uint32_t twin = twinPosition(candidate);
    for (sequence.hitCursor = 0; sequence.hitCursor < sequence.hits.size(); ++sequence.hitCursor) {
        Hit& stored = sequence.hits[sequence.hitCursor];
        if (stored.forward == candidate.forward || stored.position != twin)
            continue;
        if (!isBetter(candidate.score, stored.score, options.methodCode))
            return 0;
        stored = candidate;
        return 1;
    }
    return -1;
}

void sortHits(Sequence& sequence, const Options& options)
{
    sequence.hitIndex.clear();
    // The plain introsort with the plain comparisons: the order among equal
    // keys is whatever that gives, the same on every run of the same input.
    // It runs on small keys and the records move once afterwards; the
    // comparisons, and so the order, are those of sorting the records.
    std::vector<SortKey> keys;
    keys.reserve(sequence.hits.size());
    for (std::size_t index = 0; index < sequence.hits.size(); ++index)
        keys.push_back({sequence.hits[index].score, sequence.hits[index].position, index});
    if (options.sortByScore) {
        const bool lowerBetter = lowerIsBetter(options.methodCode);
        std::sort(keys.begin(), keys.end(), [lowerBetter](const SortKey& a, const SortKey& b) {
            return scoresBefore(a.score, b.score, lowerBetter);
        });
    } else {
        std::sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) { return a.position < b.position; });
    }
    std::vector<std::size_t> order;
    order.reserve(keys.size());
    for (const SortKey& key : keys)
        order.push_back(key.index);
    moveIntoOrder(sequence.hits, order);
}
