#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scoring/RoughPrefilter.h"
#include "scoring/ScoreSense.h"
#include "scoring/ScoreTable.h"

// Whether a score passes the cut-off, in the method's sense.
struct CutoffTest {
    double cutoff = 0.0;
    ScoreSense sense;
    bool passes(double score) const { return sense.passes(score, cutoff); }
};

// Scores runs of consecutive windows, several at once in vector registers
// where the machine has them (the path of scoring/VectorSets.h). Each lane
// adds its window's terms to 0.0 in window order, as ScoreTable::score does,
// so every score is the same double on every instruction set; a window
// holding a byte other than A, C, G or T is scored by the table alone.
class WindowScores {
public:
    // The table must outlive this.
    explicit WindowScores(const ScoreTable& table);

    // scores[j] = table.score(letters + j) for j < count, bit for bit; reads
    // count + windowLength() - 1 letters.
    void score(const char* letters, std::size_t count, double* scores) const;
    // Writes the index j of each window whose score passes the test, in order,
    // and its score, table.score(letters + j), at scores[j]; returns how many
    // there are. The others' scores are left unspecified: in vector registers,
    // the windows are first given rough sums (RoughPrefilter), several times
    // as many at a time, and only those whose rough sums come near enough to
    // the cut-off to pass are scored in full.
    std::size_t scorePassing(const char* letters, std::size_t count, const CutoffTest& test, double* scores,
                             std::uint32_t* indices) const;

    const ScoreTable& table() const { return table_; }
    // Per column, the terms of A, C, T and G (a letter's two-bit code is
    // (letter >> 1) & 3), repeated to fill a vector: columnStride() each.
    const double* codeTerms() const { return codeTerms_.data(); }
    static constexpr std::size_t columnStride() { return 8; } // the widest vector of any set, in doubles

private:
    const ScoreTable& table_;
    std::vector<double> codeTerms_;
    RoughPrefilter forHigher_; // the terms oriented for each sense
    RoughPrefilter forLower_;
};
