#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Options;
class ScoreDistribution;
class Sequence;
class SiteCollection;

// What one setting of the threshold would give. Recalls are shares of the
// known sites, 0..1.
struct CalibrationPoint {
    double threshold;          // as the options file gives it; with a literal cut-off, the cut-off itself
    double cutoff;             // the full model's cut-off at it, on the window's own score
    double heldOutRecall;      // sites passing the cut-off of a model built without them; NaN if none can be
    double inSampleRecall;     // sites passing the full model's cut-off: what the run does
    double expectedChanceHits; // random windows expected to pass among those scanned; NaN without a distribution
};

// The threshold's calibration curve for the report: how many known sites a
// threshold keeps, in the model's own eyes and in those of a model that has
// not seen them, against the hits that chance alone would bring.
struct Calibration {
    std::vector<CalibrationPoint> points; // by ascending threshold; empty when there is no curve
    std::size_t runPoint = 0;             // the run's own threshold
    bool literal = false;                 // the points are literal cut-offs, from the worst to the best site score
    std::string note;                     // sentences for the reader: what the curve leaves out, and why
};

// The curve for the run's method and threshold. Each site is left out of the
// model in turn and scored by the rest, which is rebuilt against
// `referenceSequence` as the run builds its own. `chance` is the distribution
// of the full model's window scores under the run's background, and
// `windowsScanned` the number of windows it stands for. Under integration the
// curve is of the window's own score: the cut-off factor is not applied. A
// motif given as a count matrix has no sites: its curve is of the share of
// the model's own windows that pass, without a held-out share.
Calibration calibrate(const SiteCollection& collection, const Options& options, const Sequence& referenceSequence,
                      const ScoreDistribution& chance, std::uint64_t windowsScanned);
