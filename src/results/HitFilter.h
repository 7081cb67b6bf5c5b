#pragma once

class Hit;
class Options;
class Sequence;

// Stores the candidate in sequence.hits when it passes the cut-off, merging
// it with its other-strand twin when mergeStrandPairs is set.
void considerHit(const Hit& candidate, const Options& options, Sequence& sequence);

// -1: no twin; 0: twin kept, candidate dropped; 1: twin overwritten by the candidate.
int findStrandPartner(Sequence& sequence, const Hit& candidate, const Options& options);

// Orders sequence.hits by position, or by score (best first) when sortByScore is set.
void sortHits(Sequence& sequence, const Options& options);
