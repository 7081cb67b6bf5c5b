#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "scoring/ScoreSense.h"

class ScoreTable;

// The p-value of one score. `bound` is set for a score better than any
// window of A, C, G and T can reach (a window holding N or another letter
// can): p is then that of the best such window, an upper bound.
struct PValue {
    double p;
    bool bound;
};

// The distribution of window scores under a background model: the letters of
// a random window are drawn independently, A, C, G and T with the background
// probabilities, or with each column's own (a motif's windows drawn from its
// model). A window scores as ScoreTable::score sums it.
//
// Ties: two windows whose scores are mathematically equal may be summed to
// different last bits, since their terms come in a different order. Each of
// the L - 1 additions of a sum rounds by at most 2^-53 times the largest
// partial sum, itself at most M = the sum over the columns of the largest
// |term| of a letter the column draws; so two scores tie when they differ
// by at most L * 2^-52 * M, and a score's p-value counts every window scoring
// at least the score less that width.
//
// p-values come from the bounded discretised dynamic programming of
// TFM-Pvalue (Touzet and Varre 2007): terms rounded down to a granularity give
// a lower and an upper bound on each p-value, and the granularity is refined
// until the two agree to 1.8e-3 (relative); their midpoint is reported, within
// 0.9e-3 of the p-value. A score that few windows reach, or whose bounds stay
// apart on the mass of windows that tie, is settled by enumerating those
// windows (unless they are over a million: the midpoint then does).
//
// A p-value depends on the motif, the background and the score alone, never on
// the other scores asked with it: the granularities are a fixed ladder, each
// score climbs it by its own bounds, and a pass serves every score that asked
// for its rung, with the same sums whatever the band of windows it keeps; the
// windows an enumeration finds are summed exactly, in whatever order.
class ScoreDistribution {
public:
    ScoreDistribution(const ScoreTable& table, const std::array<double, 4>& background, ScoreSense scoreSense);
    // Each column k draws its letters with columnProbabilities[k] (A, C, G, T,
    // divided by their total), one set per column of the table; the figures
    // are not available otherwise. Every column given the same background
    // gives, bit for bit, what the constructor above gives.
    ScoreDistribution(const ScoreTable& table, const std::vector<std::array<double, 4>>& columnProbabilities,
                      ScoreSense scoreSense);

    bool available() const { return reason.empty(); }
    // Why the figures are not available, for the headers of the files that
    // would show them; empty when they are.
    const std::string& unavailableReason() const { return reason; }

    // The probability that a random window scores at least as well as each
    // score (in the method's sense); NaN when not available or for a NaN score.
    std::vector<PValue> pValues(const std::vector<double>& scores) const;
    // The probability that a random window scores strictly better than
    // `cutoff`: at least as well as the next double, ties counted as a hit's.
    double pBeyond(double cutoff) const;
    // The least score (in the method's sense) that is strictly better than
    // `cutoff`, whose p-value pBeyond gives; NaN when no window can score so.
    // Asked with other scores, it shares their passes.
    double scoreBeyond(double cutoff) const;
    // The best score s (in the method's sense) that a random window reaches
    // with probability at least `share`, ties counted as a p-value counts
    // them: P(S >= s - the width of a tie) >= share. Exact (the best window
    // score with that property, its windows summed exactly) when the windows
    // near and above it are few enough to enumerate; otherwise a score whose
    // probability is proven to reach the share (to the passes' rounding) and
    // exceeds it by at most 1.8e-3 * min(share, 1 - share), unless the mass
    // of windows that tie keeps the bounds that far apart. NaN when not
    // available or for a share not above 0 and below 1.
    double quantile(double share) const;
    // For a caller that will ask for one score after another (a search for a
    // cut-off): the windows an enumeration walks are then kept, best first,
    // so that a later call from as high a score takes them from the list
    // instead of walking again. A single call does better to walk only the
    // windows its own scores need. The p-values are the same doubles either way.
    void rememberEnumeratedWindows() const { rememberWindows_ = true; }

private:
    // One column's terms for the letters with mass, best first; letters with
    // the same term are one entry, their probabilities added.
    struct Column {
        std::uint32_t count = 0;
        std::array<double, 4> term{};
        std::array<double, 4> probability{};
    };
    // A granularity's integer bins: column k of binOrder has bins[4 * k + a]
    // for its letter a. Sums over the columns of the offsets, of the least
    // and greatest residues, and of the best and worst bins.
    struct Discretisation {
        double granularity = 0.0;
        std::vector<std::int64_t> bins;
        double offset = 0.0, residualLow = 0.0, residualHigh = 0.0;
        std::int64_t best = 0, worst = 0;
    };

    struct Pass;

    void setUp(const ScoreTable& table, const std::vector<std::array<double, 4>>& probabilities);
    void placePass(Pass& pass, double granularity, double from) const;
    void reserveState() const;
    void runPass(Pass& pass, bool counting) const;
    // P(score >= threshold) for thresholds oriented so that higher is better,
    // each above the lowest score and at most the best one.
    std::vector<double> tails(const std::vector<double>& thresholds) const;
    Discretisation discretise(double granularity) const;
    template <typename Real>
    void binTails(const Discretisation& bins, std::size_t width, bool counting, std::vector<Real>& state,
                  const std::vector<std::size_t>& wanted, std::vector<double>& tail) const;
    bool enumerateTails(const std::vector<double>& ascending, std::vector<double>& tail, std::size_t stepLimit,
                        double rememberFrom = std::numeric_limits<double>::infinity()) const;
    template <typename Visit>
    bool visitWindows(double lowest, std::size_t stepLimit, Visit visit) const;
    double enumeratedQuantile(double share, double from, double fallback) const;

    std::string reason;
    ScoreSense sense;                    // every term and score is taken oriented, higher better
    std::vector<Column> columns;         // oriented terms
    std::vector<std::uint32_t> binOrder; // the columns in the order of the discretised passes
    std::vector<double> maxRemaining;    // [k]: best sum of columns k.. (L + 1 entries)
    double bestScore = 0.0;              // the best window's score, as the scan sums it
    double lowestScore = 0.0;            // the worst window's score, likewise
    double bestMass = 0.0;               // the probability of the best score
    double slack = 0.0;                  // bound on the rounding of any sum of terms
    double tieWidth = 0.0;               // scores this close tie
    double coarsest = 0.0;               // the first rung of the ladder of granularities
    double finest = 0.0;                 // the least granularity
    bool singlePrecision = false;        // whether the discretised passes may use float

    // Scratch kept from call to call, so a distribution is not for several
    // threads at once: the state of the discretised passes, and the windows
    // the last remembering enumeration found, best first (every window
    // scoring at least rememberedFrom_).
    mutable std::vector<float> singleState_;
    mutable std::vector<double> doubleState_;
    struct WindowMass {
        double score, mass;
    };
    mutable std::vector<WindowMass> remembered_;
    mutable std::vector<std::uint64_t> rememberedSums_; // exact running sums of them, as limbs
    mutable double rememberedFrom_ = std::numeric_limits<double>::infinity();
    mutable bool rememberWindows_ = false;
};
