#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "results/HitFilter.h"
#include "results/RecordArray.h"

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
    // reserve, for room that the candidates about to come will mostly fill:
    // its memory is made ready at once.
    void reserveFilledSoon(std::size_t count);
    // considerHit for a candidate whose windowLength letters start at `letters`.
    void consider(const ScanHit& candidate, const char* letters, const Options& options);
    // The ratio of means of the integration mode on every kept score, as
    // applyIntegrationRatio does to stored hits.
    void applyIntegrationRatio(double globalScoreMean, const Options& options);
    // Replaces sequence.hits by these hits, in the order sortHits gives the
    // same hits stored in the same order; leaves this list empty.
    void moveSortedInto(Sequence& sequence, const Options& options);

    const RecordArray<ScanHit>& records() const { return records_; }
    std::string lettersOf(std::size_t index) const
    {
        return std::string(letters_.data() + index * windowLength_, windowLength_);
    }

private:
    // Whether the candidate keeps the list in the order a scan without
    // integration gives: forward windows at strictly increasing positions,
    // then reverse windows only.
    bool keepsScanOrder(const ScanHit& candidate);
    // mergeWithTwin while the list keeps that order: no forward candidate has
    // a twin yet, and a reverse one's twin is searched for among the forward
    // positions instead of through the index.
    int mergeInScanOrder(const ScanHit& candidate, std::int32_t methodCode, std::size_t& partner);
    // The first forward position not below `position`, searched for from where
    // the last search ended, in steps that double: the reverse candidates of
    // a scan come at falling positions, so it is usually at or next to there.
    std::size_t forwardPlaceOf(std::uint32_t position);

    std::uint32_t windowLength_;
    RecordArray<ScanHit> records_;
    RecordArray<char> letters_; // windowLength_ letters per record, in the same order
    StrandPairIndex index_; // used only once the list leaves scan order
    bool inScanOrder_ = true;
    bool reverseSeen_ = false;
    // In scan order, the positions of the forward records, which are the
    // first ones, as they were when the first reverse candidate came.
    std::vector<std::uint32_t> forwardPositions_;
    std::size_t lastForwardPlace_ = 0;
};
