#pragma once

#include <cstddef>
#include <vector>

#include "base/RecordArray.h"
#include "scan/ScanHits.h"

class Options;
class Sequence;

// The order in which kept windows become a sequence's hits: by position, or
// with sortByScore by score, best first in the method's sense and NaN last.
// Equal keys keep their scan order. Place i takes records[order[i]].
std::vector<std::size_t> sortedOrder(const RecordArray<ScanHit>& records, const Options& options);

// Replaces sequence.hits by the kept windows as Hits, in sortedOrder; their
// gene context is still to come.
void storeSortedHits(const ScanHits& found, Sequence& sequence, const Options& options);
