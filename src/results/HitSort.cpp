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

// Calls take(index) for the index of each record in the order of their keys,
// compared with `before`, equal keys by their index: a total order, so every
// sort gives the same result. The record indexes are of type Index: the
// smaller the entries, the less memory the sort moves. Keys nearly in order
// already, as positions are in scan order (up on the forward strand, down on
// the reverse one), are merge-sorted: std::sort's quicksort takes them for a
// worst case.
template <typename Index, typename KeyOf, typename Before, typename Take>
void inOrderOfKey(const RecordArray<ScanHit>& records, KeyOf keyOf, Before before, bool nearlyInOrder, Take take)
{
    using Key = decltype(keyOf(records[0]));
    struct Entry {
        Key key;
        Index index; // in the unsorted records
    };
    std::vector<Entry, LargePageAllocator<Entry>> entries;
    entries.reserve(records.size());
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
    for (const Entry& entry : entries)
        take(static_cast<std::size_t>(entry.index));
}

// Calls take(index) for the records in the order in which they become hits.
template <typename Index, typename Take>
void inSortedOrderOf(const RecordArray<ScanHit>& records, const Options& options, Take take)
{
    if (options.sortByScore) {
        const ScoreSense sense = ScoreSense::ofMethod(options.methodCode);
        inOrderOfKey<Index>(
            records, [](const ScanHit& record) { return record.score; },
            [sense](double a, double b) { return scoresBefore(a, b, sense); }, false, take);
        return;
    }
    inOrderOfKey<Index>(
        records, [](const ScanHit& record) { return record.position; },
        [](std::uint32_t a, std::uint32_t b) { return a < b; }, true, take);
}

template <typename Take>
void inSortedOrder(const RecordArray<ScanHit>& records, const Options& options, Take take)
{
    if (records.size() <= std::numeric_limits<std::uint32_t>::max())
        inSortedOrderOf<std::uint32_t>(records, options, take);
    else
        inSortedOrderOf<std::size_t>(records, options, take);
}

} // namespace

void storeSortedHits(const ScanHits& found, Sequence& sequence, const Options& options)
{
    const RecordArray<ScanHit>& records = found.records();
    const std::uint32_t windowLength = found.windowLength();
    // A run may keep millions of hits: the arrays filled as they are built
    // take large pages, where a fault fills 2 MiB of them rather than 4 KiB.
    HitList hits;
    decltype(sequence.hitMeans) means;
    hits.reserve(records.size());
    if (options.useIntegration)
        means.reserve(records.size());
    inSortedOrder(records, options, [&](std::size_t from) {
        const ScanHit& record = records[from];
        Hit& hit = hits.emplace_back(windowLength);
        hit.position = record.position;
        hit.forward = record.forward;
        hit.score = record.score;
        if (options.useIntegration)
            means.push_back(found.meansOf(from));
    });
    sequence.hits = std::move(hits);
    sequence.hitMeans = std::move(means);
}
