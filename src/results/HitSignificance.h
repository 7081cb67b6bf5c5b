#pragma once

#include <cstdint>
#include <string>

// What a run's significance figures rest on, for the headers of the files
// that report them.
struct RunSignificance {
    bool computed = false;           // false: every p, E and q value is NaN
    std::string unavailableReason;   // why not, when not computed
    bool ownScoreUnderIntegration = false; // figures refer to the window's own score, before the ratio
    std::uint64_t windowsScanned = 0; // both strands, every sequence
    double cutoffEValue = 0.0;        // expected chance windows beyond the cut-off; NaN when not defined
};
