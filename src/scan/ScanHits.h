#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/RecordArray.h"
#include "sequences/Hit.h"

class Options;

// A window the scan keeps, before it becomes a Hit: what a stored hit holds
// at that point. Its letters are the sequence's at its place. Sixteen bytes:
// a low cut-off keeps millions of them.
struct ScanHit {
    double score = 0.0;
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
    // reverse ones), which the twin search relies on. The means are kept
    // only under integration.
    void consider(const ScanHit& candidate, const WindowMeans& means, const Options& options);
    // Multiplies every kept score by the integration ratio of means (integratedScore).
    void applyIntegrationRatio(double globalScoreMean, const Options& options);

    std::uint32_t windowLength() const { return windowLength_; }
    const RecordArray<ScanHit>& records() const { return records_; }
    // The means of records()[index]: all 0 unless the candidates came under integration.
    WindowMeans meansOf(std::size_t index) const { return means_.empty() ? WindowMeans() : means_[index]; }
    // The scores of the windows that passed the cut-off but gave way to their
    // twin: they count among the windows at least as good as a hit.
    const std::vector<double>& droppedTwinScores() const { return droppedTwinScores_; }

private:
    // Where a candidate goes with strand pairs merged: its twin's place when
    // it met its twin and is strictly better, noPlace when it met its twin
    // and gives way to it, else the end. Candidates come in scan order,
    // forward windows at rising positions, then reverse ones; anything else
    // is refused (std::logic_error). A reverse candidate's twin is found
    // among the forward records.
    std::size_t placeBesideTwin(const ScanHit& candidate, std::int32_t methodCode);
    // The first of the forward records, which are the first ones, whose
    // forward position is not below `position`, walked to from where the last
    // walk ended: the reverse candidates of a scan come at falling positions
    // (but for those within a window of the origin, whose twins wrap round,
    // at the very end), so that the walks of a whole scan go through the
    // forward records about once.
    std::size_t forwardPlaceOf(std::uint32_t position);
    // The forward position of the record at `index` among the forward ones:
    // its own, or its twin's for a reverse record that took a forward one's
    // place, which so keeps them in order.
    std::uint32_t forwardPositionAt(std::size_t index) const;

    static constexpr std::size_t noPlace = static_cast<std::size_t>(-1);

    std::uint32_t windowLength_;
    RecordArray<ScanHit> records_;
    RecordArray<WindowMeans> means_; // beside records_ under integration, else empty
    bool reverseSeen_ = false;
    std::size_t forwardCount_ = 0; // the records before the first reverse candidate
    std::size_t lastForwardPlace_ = 0;
    std::vector<double> droppedTwinScores_;
};
