#pragma once

#include "scan/ScanHits.h"

class Options;
class Sequence;

// Replaces sequence.hits by the kept windows as Hits, ordered by position,
// or with sortByScore by score, best first in the method's sense and NaN
// last; equal keys keep their scan order. Their gene context is still to come.
void storeSortedHits(const ScanHits& found, Sequence& sequence, const Options& options);
