#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scoring/ScoreTable.h"

// The cut-off test of passesCutoff.
struct CutoffTest {
    double cutoff = 0.0;
    bool lowerBetter = false;
};

// Scores runs of consecutive windows, several at once in vector registers
// where the machine has them. Each lane adds its window's terms to 0.0 in
// window order, as ScoreTable::score does, so every score is the same double
// on every instruction set; a window holding a byte other than A, C, G or T
// is scored by the table alone.
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
    // the windows are first given rough sums in 16-bit integers, several times
    // as many at a time, and only those whose rough sums come near enough to
    // the cut-off to pass are scored in full.
    std::size_t scorePassing(const char* letters, std::size_t count, const CutoffTest& test, double* scores,
                             std::uint32_t* indices) const;

    const ScoreTable& table() const { return table_; }
    // Per column, the terms of A, C, T and G (a letter's two-bit code is
    // (letter >> 1) & 3), repeated to fill a vector: columnStride() each.
    const double* codeTerms() const { return codeTerms_.data(); }
    static std::size_t columnStride();
    // Per column, the rough terms of A, C, T and G: the term less the
    // column's least, times a scale that keeps every rough sum below 2^16,
    // rounded; as little-endian bytes, repeated to fill a vector:
    // roughStride() bytes each.
    const std::uint8_t* roughTerms() const { return roughTerms_.data(); }
    static std::size_t roughStride();
    // The rough sum that a window's must reach (lowerBetter: must not
    // exceed) for the window to be scored in full under the test; false when
    // rough sums cannot set the windows apart: nearly all would be, or a term
    // is not finite, or the motif is very long.
    bool roughThreshold(const CutoffTest& test, std::int32_t& threshold) const;

private:
    const ScoreTable& table_;
    std::vector<double> codeTerms_;
    std::vector<std::uint8_t> roughTerms_;
    bool roughUsable_ = false;
    double roughScale_ = 1.0;
    double roughBase_ = 0.0;     // the columns' least terms summed
    double roughLargest_ = 0.0;  // the terms' largest magnitudes summed
    std::int32_t roughMost_ = 0; // the largest rough sum
};

// The instruction set windows are scored with: "scalar", or the name of a
// vector set such as "AVX2". The best one this machine has, unless the
// environment variable VARNO_SIMD names another (read once, at the first
// score): "scalar" or one of scoringPaths().
std::string scoringPath();
// Every path this machine offers, "scalar" first.
std::vector<std::string> scoringPaths();
// Empty when VARNO_SIMD is unset or names a path this machine offers; else
// the error that says so, listing the paths it offers.
std::string vectorSetChoiceError();
// Scores with the named path from now on; false, with nothing changed, when
// the machine does not offer it.
bool chooseScoringPath(const std::string& name);

// Writes the complements of `count` letters read backwards from `last` on
// (last, last - 1, ...); false, with `to` unspecified, when one of them is
// not A, C, G or T.
bool reverseComplementBases(const char* last, std::size_t count, char* to);
