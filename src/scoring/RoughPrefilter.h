#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scoring/ScoreSense.h"

class WindowScores;
struct CutoffTest;

// Rough sums in 16-bit integers, which find the few windows near enough to a
// cut-off to be scored in full: the windows are first summed, many to a
// register, in rough terms, each the term less its column's least, scaled
// and rounded up. The terms are oriented once, better scores higher, so that
// a window can pass only if its rough sum reaches one bound.
class RoughPrefilter {
public:
    // The terms of each column by the letters' two-bit codes, A, C, T and G
    // ((letter >> 1) & 3), oriented in the given sense.
    RoughPrefilter(const std::vector<std::array<double, 4>>& columns, ScoreSense sense);

    // What every lane's rough sum starts from: -2^15, so that the lanes hold
    // the sums less 2^15 as signed numbers, which every set compares.
    static constexpr std::uint16_t startingSum = 0x8000;

    // Sets `bound` so that every window whose score passes `cutoff` has a
    // rough sum that, added to startingSum, exceeds it as a signed 16-bit
    // number; false when rough sums cannot set the windows apart: every one
    // would come near, or a term or the scale is not finite, or the motif is
    // very long.
    bool nearBound(double cutoff, std::int16_t& bound) const;

    // Per column, the rough terms by two-bit code as little-endian 16-bit
    // numbers, repeated to fill the widest vector: stride() bytes each.
    const std::uint8_t* terms() const { return terms_.data(); }
    static std::size_t stride();

private:
    std::vector<std::uint8_t> terms_;
    ScoreSense sense_;
    bool usable_ = false;
    double length_ = 0.0;
    double scale_ = 1.0;
    double base_ = 0.0;     // the columns' least oriented terms summed
    double largest_ = 0.0;  // the terms' largest magnitudes summed
    std::int32_t most_ = 0; // the largest rough sum
};

// The windows that pass the test, found as WindowScores::scorePassing says,
// with the prefilter of the test's sense, on the chosen path.
std::size_t scorePassingRoughly(const WindowScores& scorer, const RoughPrefilter& prefilter, const char* text,
                                std::size_t count, const CutoffTest& test, double* scores, std::uint32_t* indices);
