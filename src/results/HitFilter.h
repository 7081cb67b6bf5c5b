#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Hit;
class Options;
class Sequence;

// Where each (position, strand) sits in a sequence's hits, so that a
// candidate's twin is found without walking the list. Each strand has its own
// table, brought up to date with the hits appended since its last look-up
// only when that strand is looked up: a scan asks only for the other strand's
// twins, so the hits of the strand being scanned are rarely indexed at all.
// It rebuilds when the list got shorter; anything else that rewrites hits in
// place must clear() it first.
class StrandPairIndex {
public:
    static constexpr std::size_t none = static_cast<std::size_t>(-1);

    // Index of the first hit in stored order at this position on this strand,
    // or `none`. Works on a list of Hits and on any list of records with
    // `position` and `forward`.
    template <typename Records>
    std::size_t firstAt(const Records& hits, std::uint32_t position, bool forward);
    // Records that hits[index], the first at its old place, now stands at the hit's new place.
    template <typename Records>
    void moveFirst(const Records& hits, std::size_t index, std::uint32_t oldPosition, bool oldForward);
    void clear();

private:
    // Positions fill 32 bits, so no key has all 64 bits set.
    static constexpr std::uint64_t unusedPlace = ~std::uint64_t{0};

    // The hits at one position, chained in stored order (none when there are none).
    struct Chain {
        std::uint64_t place = unusedPlace;
        std::size_t first = none;
        std::size_t last = none;
    };

    // The positions of one strand's hits.
    struct StrandTable {
        std::vector<Chain> chains;  // open addressing by position, power-of-two size
        std::size_t usedChains = 0;
        std::size_t indexedHits = 0; // hits[0, indexedHits) of this strand are in the table

        // The slot holding this place, or the unused slot where it would go.
        std::size_t slotOf(std::uint64_t place) const;
        // Room for `count` more places at most half full.
        void reserve(std::size_t count);
    };

    StrandTable& tableOf(bool forward) { return forward ? forward_ : reverse_; }
    template <typename Records>
    void catchUp(const Records& hits, bool forward);
    void insert(StrandTable& table, std::size_t index, std::uint64_t place);

    StrandTable forward_;
    StrandTable reverse_;
    std::vector<std::size_t> nextAtPlace_; // per indexed hit: the next index at its place, or none
};

// Whether a candidate's score beats a stored twin's in the method's sense (strictly).
bool isBetterScore(double candidate, double stored, std::int32_t methodCode);

// Only the true twin covers the same letters: a reverse window at p is the
// forward window at p - windowLength. Unsigned arithmetic wraps on purpose.
std::uint32_t twinPosition(std::uint32_t position, bool forward, std::uint32_t windowLength);

// The cut-off test, strict in both score senses, so neither a score equal to
// the cut-off nor a NaN ever passes.
inline bool passesCutoff(double score, double cutoff, bool lowerBetter)
{
    return lowerBetter ? cutoff > score : cutoff < score;
}

// Stores the candidate in sequence.hits when it passes the cut-off, merging
// it with its other-strand twin when mergeStrandPairs is set.
void considerHit(const Hit& candidate, const Options& options, Sequence& sequence);

// -1: no twin; 0: twin kept, candidate dropped; 1: twin overwritten by the candidate.
int findStrandPartner(Sequence& sequence, const Hit& candidate, const Options& options);

// findStrandPartner by a plain walk over the stored hits, without the index:
// the reference the index must agree with.
int findStrandPartnerByWalk(Sequence& sequence, const Hit& candidate, const Options& options);

// Orders sequence.hits by position, or by score (best first) when sortByScore is set.
void sortHits(Sequence& sequence, const Options& options);

// The rules findStrandPartner applies, on any list of records with
// `position`, `forward` and `score` (Hits, or the scan's compact records):
// -1 and partner = none when the candidate has no twin; 0 when the twin is
// kept; 1 when the twin at `partner` was overwritten by the candidate.
template <typename Records>
int mergeWithTwin(Records& records, StrandPairIndex& index, const typename Records::value_type& candidate,
                  std::uint32_t windowLength, std::int32_t methodCode, std::size_t& partner);

// The order sortHits puts records in: place i takes records[order[i]].
template <typename Records>
std::vector<std::size_t> sortedOrder(const Records& records, const Options& options);
