#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/RecordArray.h"

class Options;

// A window the scan keeps, before it becomes a Hit: what a stored hit holds
// at that point. Its letters are the sequence's at its place.
struct ScanHit {
    double score = 0.0;
    double localMean = 0.0; // integration means (0 without integration)
    double upMean = 0.0;
    double downMean = 0.0;
    std::uint32_t position = 0; // as the scan reports it (see scanStrands)
    bool forward = false;
};

// Where each (position, strand) sits among kept records, so that a
// candidate's twin is found without walking the list. Each strand has its own
// table, brought up to date with the records appended since its last look-up
// only when that strand is looked up: a scan asks only for the other strand's
// twins, so the records of the strand being scanned are rarely indexed at all.
class StrandPairIndex {
public:
    static constexpr std::size_t none = static_cast<std::size_t>(-1);

    // Index of the first record in stored order at this position on this strand, or `none`.
    std::size_t firstAt(const RecordArray<ScanHit>& records, std::uint32_t position, bool forward);
    // Records that records[index], the first at its old place, now stands at its new place.
    void moveFirst(const RecordArray<ScanHit>& records, std::size_t index, std::uint32_t oldPosition, bool oldForward);

private:
    // Positions fill 32 bits, so no key has all 64 bits set.
    static constexpr std::uint64_t unusedPlace = ~std::uint64_t{0};

    // The records at one position, chained in stored order (none when there are none).
    struct Chain {
        std::uint64_t place = unusedPlace;
        std::size_t first = none;
        std::size_t last = none;
    };

    // The positions of one strand's records.
    struct StrandTable {
        std::vector<Chain> chains; // open addressing by position, power-of-two size
        std::size_t usedChains = 0;
        std::size_t indexedHits = 0; // records[0, indexedHits) of this strand are in the table

        // The slot holding this place, or the unused slot where it would go.
        std::size_t slotOf(std::uint64_t place) const;
        // Room for `count` more places at most half full.
        void reserve(std::size_t count);
    };

    StrandTable& tableOf(bool forward) { return forward ? forward_ : reverse_; }
    void catchUp(const RecordArray<ScanHit>& records, bool forward);
    void insert(StrandTable& table, std::size_t index, std::uint64_t place);

    StrandTable forward_;
    StrandTable reverse_;
    std::vector<std::size_t> nextAtPlace_; // per indexed record: the next index at its place, or none
};

// One sequence's kept windows, in scan order, in compact records: a run may
// keep millions of windows, and each full Hit is then built once, in its
// sorted place. A candidate is kept when its score passes the cut-off; with
// mergeStrandPairs, a candidate whose twin (the other strand's window over the
// same letters) is kept already replaces it in its place when strictly better
// in the method's sense, and is dropped otherwise.
class ScanHits {
public:
    explicit ScanHits(std::uint32_t windowLength) : windowLength_(windowLength) {}

    void reserve(std::size_t count);
    // reserve, for room that the candidates about to come will mostly fill:
    // its memory is made ready at once.
    void reserveFilledSoon(std::size_t count);
    // Considers a candidate; the scan passes only the windows beyond the cut-off.
    void consider(const ScanHit& candidate, const Options& options);
    // Multiplies every kept score by the integration ratio of means (integratedScore).
    void applyIntegrationRatio(double globalScoreMean, const Options& options);

    std::uint32_t windowLength() const { return windowLength_; }
    const RecordArray<ScanHit>& records() const { return records_; }
    // The scores of the windows that passed the cut-off but gave way to their
    // twin: they count among the windows at least as good as a hit.
    const std::vector<double>& droppedTwinScores() const { return droppedTwinScores_; }

private:
    // Whether the candidate keeps the list in the order a scan without
    // integration gives: forward windows at strictly increasing positions,
    // then reverse windows only.
    bool keepsScanOrder(const ScanHit& candidate);
    // The merge outcome: -1 when the candidate has no twin; 0 when the twin
    // is kept; 1 when the twin at `partner` was overwritten by the candidate.
    int mergeWithTwin(const ScanHit& candidate, std::int32_t methodCode, std::size_t& partner);
    // mergeWithTwin while the list keeps scan order: no forward candidate has
    // a twin yet, and a reverse one's twin is searched for among the forward
    // positions instead of through the index.
    int mergeInScanOrder(const ScanHit& candidate, std::int32_t methodCode, std::size_t& partner);
    // The first forward position not below `position`, searched for from where
    // the last search ended, in steps that double: the reverse candidates of
    // a scan come at falling positions, so it is usually at or next to there.
    std::size_t forwardPlaceOf(std::uint32_t position);

    std::uint32_t windowLength_;
    RecordArray<ScanHit> records_;
    StrandPairIndex index_; // used only once the list leaves scan order
    bool inScanOrder_ = true;
    bool reverseSeen_ = false;
    // In scan order, the positions of the forward records, which are the
    // first ones, as they were when the first reverse candidate came.
    std::vector<std::uint32_t> forwardPositions_;
    std::size_t lastForwardPlace_ = 0;
    std::vector<double> droppedTwinScores_;
};
