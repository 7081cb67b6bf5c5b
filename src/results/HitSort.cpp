#include "results/HitSort.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/FreshMemory.h"
#include "options/Options.h"
#include "scoring/ScoreSense.h"
#include "sequences/Sequence.h"

namespace {

// Best first in the method's score sense; NaN goes after every number, which
// keeps the comparison a strict weak ordering.
bool scoresBefore(double a, double b, ScoreSense sense)
{
    if (std::isnan(a))
        return false;
    if (std::isnan(b))
        return true;
    return sense.better(a, b);
}

// The order of the records by one key each, compared with `before`, equal
// keys by their index: a total order, so every sort gives the same result.
// The record indexes are of type Index: the smaller the entries, the less
// memory the sort moves. Keys nearly in order already, as positions are in
// scan order (up on the forward strand, down on the reverse one), are
// merge-sorted: std::sort's quicksort takes them for a worst case.
template <typename Index, typename KeyOf, typename Before>
std::vector<std::size_t> orderByKey(const RecordArray<ScanHit>& records, KeyOf keyOf, Before before, bool nearlyInOrder)
{
    using Key = decltype(keyOf(records[0]));
    struct Entry {
        Key key;
        Index index; // in the unsorted records
    };
    std::vector<Entry> entries;
    reserveInLargePages(entries, records.size());
    for (std::size_t index = 0; index < records.size(); ++index)
        entries.push_back({keyOf(records[index]), static_cast<Index>(index)});
    const auto entryBefore = [&](const Entry& a, const Entry& b) {
        if (before(a.key, b.key))
            return true;
        return !before(b.key, a.key) && a.index < b.index;
    };
    if (nearlyInOrder)
        std::stable_sort(entries.begin(), entries.end(), entryBefore);
    else
        std::sort(entries.begin(), entries.end(), entryBefore);
    std::vector<std::size_t> order;
    reserveInLargePages(order, entries.size());
    for (const Entry& entry : entries)
        order.push_back(entry.index);
    return order;
}

template <typename Index>
std::vector<std::size_t> sortedOrderOf(const RecordArray<ScanHit>& records, const Options& options)
{
    if (options.sortByScore) {
        const ScoreSense sense = ScoreSense::ofMethod(options.methodCode);
        return orderByKey<Index>(
            records, [](const ScanHit& record) { return record.score; },
            [sense](double a, double b) { return scoresBefore(a, b, sense); }, false);
    }
    return orderByKey<Index>(
        records, [](const ScanHit& record) { return record.position; },
        [](std::uint32_t a, std::uint32_t b) { return a < b; }, true);
}

// The order in which the records become hits: place i takes records[order[i]].
std::vector<std::size_t> sortedOrder(const RecordArray<ScanHit>& records, const Options& options)
{
    if (records.size() <= std::numeric_limits<std::uint32_t>::max())
        return sortedOrderOf<std::uint32_t>(records, options);
    return sortedOrderOf<std::size_t>(records, options);
}

} // namespace

void storeSortedHits(const ScanHits& found, Sequence& sequence, const Options& options)
{
    const RecordArray<ScanHit>& records = found.records();
    const std::uint32_t windowLength = found.windowLength();
    const std::vector<std::size_t> order = sortedOrder(records, options);
    // A run may keep millions of hits: the arrays filled as they are built
    // take large pages, where a fault fills 2 MiB of them rather than 4 KiB.
    std::vector<Hit> hits;
    reserveInLargePages(hits, order.size());
    for (const std::size_t from : order) {
        const ScanHit& record = records[from];
        Hit& hit = hits.emplace_back(windowLength);
        hit.position = record.position;
        hit.forward = record.forward;
        hit.score = record.score;
        hit.localMean = record.localMean;
        hit.upMean = record.upMean;
        hit.downMean = record.downMean;
    }
    sequence.hits = std::move(hits);
}
