#pragma once

#include <limits>
#include <vector>

#include "sequences/Hit.h"

// A limit on one of a hit's significance figures: which figure, and the
// largest value that passes. A hit without the figure (NaN) never passes.
// The regulon table selects its operator hits with one; a run's own bound,
// when the command line gives one, takes the same form.
struct SignificanceBound {
    enum class Figure { pValue, eValue, qValue };

    Figure figure = Figure::qValue;
    double limit = 0.1;

    double valueOf(const WindowSignificance& hit) const
    {
        switch (figure) {
        case Figure::pValue: return hit.pValue;
        case Figure::eValue: return hit.eValue;
        case Figure::qValue: return hit.qValue;
        }
        return hit.qValue;
    }
    // NaN compares false: no figure, no pass.
    bool passes(const WindowSignificance& hit) const { return valueOf(hit) <= limit; }
};

// The bounds a run selects its hits by (every one of them met by each kept
// hit), in place of the cut-off the sites imply, and the score cut-off they
// come to. No bounds: the run keeps what passes the sites' cut-off.
struct SignificanceSelection {
    std::vector<SignificanceBound> bounds;
    double scoreCutoff = std::numeric_limits<double>::quiet_NaN();

    bool active() const { return !bounds.empty(); }
};
