#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "results/SignificanceBound.h"
#include "scoring/ScoreSense.h"

class ScoreDistribution;
class ScoreTable;

// How a selection by significance reads: "p <= 1e-05 and q <= 0.05", in the
// order of the bounds; a page may write the relation as its own sign.
std::string selectionRuleText(const std::vector<SignificanceBound>& bounds, const char* relation = " <= ");
// The part of a file name that tells the bounds apart: "p1e-05", "e0.01",
// "q0.05", joined by '_' ("p1e-05_q0.05"). Each limit is written in the
// fewest significant digits that read back as the same number, so that two
// bounds give two names.
std::string selectionNameText(const std::vector<SignificanceBound>& bounds);

// The score cut-offs of a selection, found from the distribution of window
// scores by chance. A run's p-values come from one distribution: every
// sequence of a run has the same background. Scores are in the method's own
// sense; a window is kept when its score reaches a cut-off, inclusively.
class SelectionCutoff {
public:
    // `background`: the probabilities of A, C, G and T the distribution has.
    SelectionCutoff(const ScoreDistribution& distribution, const ScoreTable& table,
                    const std::array<double, 4>& background, ScoreSense sense, std::uint64_t windowsScanned);

    // The least score (the greatest, where lower is better) whose p-value
    // meets every p and E bound of `bounds`: a window at it meets them and so
    // does every better one, a window worse than it does not. Infinite when
    // no window can meet them (no score at all when every one does).
    double pAndECutoff(const std::vector<SignificanceBound>& bounds) const;
    // The least score whose p-value is at most `p`: no window with a q-value
    // of at most p can score worse.
    double pCutoff(double p) const;
    // A score a little worse than pCutoff(p), found with fewer p-values:
    // for a scan that must keep every window of p-value at most p.
    double looseCutoff(double p) const;
    // The cut-off at which the windows kept are those whose q-value, by
    // Benjamini-Hochberg over every window scanned, is at most `q`: the score
    // of the worst of them. `scoreLists` hold the scores of every window
    // scanned that reaches `scanCutoff`, at most pCutoff(q) (no window with a
    // q-value of at most q scores worse). When none qualifies, the score a
    // window would need alone: the least whose p-value times the windows
    // scanned is at most q.
    double qCutoff(const std::vector<const std::vector<double>*>& scoreLists, double q, double scanCutoff) const;

    // The score that the strict cut-off test passes exactly at `cutoff` and
    // beyond: the next worse double.
    double strictCutoffFor(double cutoff) const;
    // Whether `score` reaches `cutoff` in the method's sense.
    bool reaches(double score, double cutoff) const { return sense_.reaches(score, cutoff); }
    // The stricter of two cut-offs.
    double stricter(double a, double b) const;

private:
    // Scores here are oriented so that higher is better.
    double pOf(double oriented) const;
    template <typename Meets>
    double leastMeeting(Meets meets, double guess, double resolution) const;
    double normalGuess(double p) const;

    const ScoreDistribution& distribution_;
    ScoreSense sense_;
    double windows_;       // scanned, both strands of every sequence
    double lowest_ = 0.0;  // below every window's oriented score
    double highest_ = 0.0; // above every window of A, C, G and T
    double best_ = 0.0;    // the best window of A, C, G and T, about
    double mean_ = 0.0;    // of a random window's score
    double variance_ = 0.0;
};
