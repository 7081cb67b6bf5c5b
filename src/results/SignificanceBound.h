#pragma once

#include "sequences/Hit.h"

// A limit on one of a hit's significance figures: which figure, and the
// largest value that passes. A hit without the figure (NaN) never passes.
// The regulon table selects its operator hits with one; a run's own bound,
// when the command line gives one, takes the same form.
struct SignificanceBound {
    enum class Figure { pValue, eValue, qValue };

    Figure figure = Figure::qValue;
    double limit = 0.1;

    double valueOf(const Hit& hit) const
    {
        switch (figure) {
        case Figure::pValue: return hit.pValue;
        case Figure::eValue: return hit.eValue;
        case Figure::qValue: return hit.qValue;
        }
        return hit.qValue;
    }
    // NaN compares false: no figure, no pass.
    bool passes(const Hit& hit) const { return valueOf(hit) <= limit; }
};
