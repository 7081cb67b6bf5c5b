#pragma once

#include <cstddef>
#include <cstdint>
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
    // Considers a candidate; the scan passes only the windows beyond the
    // cut-off, in scan order (forward windows at rising positions, then
    // reverse ones), which the twin search relies on.
    void consider(const ScanHit& candidate, const Options& options);
    // Multiplies every kept score by the integration ratio of means (integratedScore).
    void applyIntegrationRatio(double globalScoreMean, const Options& options);

    std::uint32_t windowLength() const { return windowLength_; }
    const RecordArray<ScanHit>& records() const { return records_; }
    // The scores of the windows that passed the cut-off but gave way to their
    // twin: they count among the windows at least as good as a hit.
    const std::vector<double>& droppedTwinScores() const { return droppedTwinScores_; }

private:
    // With strand pairs merged: whether the candidate met its twin, and so
    // took its place (strictly better) or was dropped. Candidates come in
    // scan order, forward windows at rising positions, then reverse ones;
    // anything else is refused (std::logic_error). A reverse candidate's twin
    // is found among the forward positions.
    bool mergedWithTwin(const ScanHit& candidate, std::int32_t methodCode);
    // The first forward position not below `position`, searched for from where
    // the last search ended, in steps that double: the reverse candidates of
    // a scan come at falling positions, so it is usually at or next to there.
    std::size_t forwardPlaceOf(std::uint32_t position);

    std::uint32_t windowLength_;
    RecordArray<ScanHit> records_;
    bool reverseSeen_ = false;
    // The positions of the forward records, which are the first ones, as
    // they were when the first reverse candidate came.
    std::vector<std::uint32_t> forwardPositions_;
    std::size_t lastForwardPlace_ = 0;
    std::vector<double> droppedTwinScores_;
};
