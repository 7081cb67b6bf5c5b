#pragma once

#include <algorithm>
#include <cstdint>

#include "options/Method.h"

// Which way a method's scores are better: higher for most, lower for the two
// BvH methods. Every comparison of scores in the method's sense goes through
// here; where terms or scores must be turned so that higher is better (the
// rough prefilter, the score distribution), `oriented` does it, exactly.
class ScoreSense {
public:
    explicit ScoreSense(bool lowerIsBetter = false) : lower_(lowerIsBetter) {}
    static ScoreSense ofMethod(std::int32_t methodCode) { return ScoreSense(traitsOf(methodCode).lowerIsBetter); }

    bool lowerIsBetter() const { return lower_; }
    // The cut-off test, strict in both senses, so neither a score equal to
    // the cut-off nor a NaN ever passes.
    bool passes(double score, double cutoff) const { return lower_ ? cutoff > score : cutoff < score; }
    // At the cut-off or beyond it.
    bool reaches(double score, double cutoff) const { return lower_ ? score <= cutoff : score >= cutoff; }
    // Whether a is strictly better than b.
    bool better(double a, double b) const { return lower_ ? a < b : a > b; }
    double best(double a, double b) const { return lower_ ? std::min(a, b) : std::max(a, b); }
    double worst(double a, double b) const { return lower_ ? std::max(a, b) : std::min(a, b); }
    // The score turned so that higher is better: negated where lower is
    // better, which is exact and its own inverse.
    double oriented(double score) const { return lower_ ? -score : score; }

private:
    bool lower_;
};
