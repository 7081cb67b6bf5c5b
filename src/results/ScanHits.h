#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "results/HitFilter.h"

class Options;
class Sequence;

// A window the scan keeps, before it becomes a Hit: what a stored hit holds
// at that point, except its letters, which the list keeps apart.
struct ScanHit {
    double score = 0.0;
    double localMean = 0.0; // integration means (0 without integration)
    double upMean = 0.0;
    double downMean = 0.0;
    std::uint32_t position = 0;
    bool forward = false;
};

// One sequence's hits as its scan finds them, kept under the rules of
// considerHit, in compact records: a run may keep millions of windows, and
// each full Hit is then built once, in its sorted place.
class ScanHits {
public:
    explicit ScanHits(std::uint32_t windowLength) : windowLength_(windowLength) {}

    void reserve(std::size_t count);
    // considerHit for a candidate whose windowLength letters start at `letters`.
    void consider(const ScanHit& candidate, const char* letters, const Options& options);
    // The ratio of means of the integration mode on every kept score, as
    // applyIntegrationRatio does to stored hits.
    void applyIntegrationRatio(double globalScoreMean, const Options& options);
    // Replaces sequence.hits by these hits, in the order sortHits gives the
    // same hits stored in the same order; leaves this list empty.
    void moveSortedInto(Sequence& sequence, const Options& options);

    const std::vector<ScanHit>& records() const { return records_; }
    std::string lettersOf(std::size_t index) const { return letters_.substr(index * windowLength_, windowLength_); }

private:
    std::uint32_t windowLength_;
    std::vector<ScanHit> records_;
    std::string letters_; // windowLength_ letters per record, in the same order
    StrandPairIndex index_;
};
