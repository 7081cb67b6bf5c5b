#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "scoring/ScoreDistribution.h"
#include "sequences/Hit.h"

class Options;
class ScoreTable;
class Sequence;

// What a run's significance figures rest on, for the headers of the files
// that report them.
struct RunSignificance {
    bool computed = false;            // false: every p, E and q value is NaN
    std::string unavailableReason;    // why not, when not computed
    std::uint64_t windowsScanned = 0; // both strands, every sequence
    double cutoffEValue = 0.0;        // expected chance windows beyond the cut-off; NaN when not defined
};

// A sequence's background as probabilities of A, C, G and T: its counts (or
// weights) over their sum. Every p-value of the sequence's windows rests on it.
std::array<double, 4> backgroundProbabilities(const Sequence& sequence);

// The p, E and q values of every hit of a run. Each scanned sequence is
// noted as it is analysed, with the table that scored it; the figures are
// computed at the end, when the number of windows scanned is known, in one
// batch per score table, since a set of many contigs shares one.
//
// p: the probability that a random window of the sequence's background
// scores at least as well as the hit's own window. E: p times the windows
// scanned. q: Benjamini-Hochberg over every window scanned, a hit's rank
// counting all windows at least as good: the kept hits and the twins that
// gave way to them, since no window below the cut-off can be as good.
class HitSignificance {
public:
    explicit HitSignificance(const Options& options);

    // A scanned sequence, its hits final but for their figures; `twinScores`
    // are the own scores of its windows dropped by the strand-pair merge.
    void noteSequence(Sequence& sequence, const ScoreTable& table, const std::vector<double>& twinScores,
                      std::uint64_t windowsScanned);
    // Fills every noted hit's figures and says what they rest on.
    RunSignificance finish();
    // The windows of every noted sequence, both strands.
    std::uint64_t windowsScanned() const;
    // The distribution of the first sequence's window scores by chance, null
    // before any sequence was scanned.
    const ScoreDistribution* firstDistribution() const
    {
        return batches_.empty() ? nullptr : &batches_.front().distribution;
    }

private:
    // The hits scored with one table, and the distribution of its scores.
    struct Batch {
        std::array<double, 4> background;
        ScoreDistribution distribution;
        std::vector<WindowSignificance*> hits; // each hit's figures, kept beside it by its sequence
        std::vector<double> scores;            // the hits' own scores, in the order of `hits`
        std::vector<double> twinScores;        // of every sequence of the batch
        std::uint64_t windowsScanned = 0;
    };

    const Options& options_;
    std::vector<Batch> batches_;
};
