#pragma once

#include <cstdint>

// The eleven scoring methods, by the code the options file gives them. Any
// other code is still a run's method: it prints as "???" and scores 0.
enum class Method : std::int32_t {
    Ri = 1,
    BvhHi = 2,
    RsequenceBvh = 3,
    RsequenceDifferentialRsequence = 4,
    RsequenceRi = 5,
    PredictRegulon = 6,
    ReRi = 7,
    DifferentialRe = 8,
    Iseq = 9,
    VarnoHi = 10,
    DifferentialRsequence = 11,
};

// Which column measure a differential method recomputes with the window's
// letter taken as one more site.
enum class Differential { None, Rsequence, RelativeEntropy };

// What the rest of the program asks of a method code.
struct MethodTraits {
    const char* name;   // printed name; "???" outside 1..11
    bool lowerIsBetter; // score sense: true for the two BvH methods
    Differential differential;
};

// The traits of any code, the unknown ones included.
const MethodTraits& traitsOf(std::int32_t code);

inline const char* methodName(std::int32_t code)
{
    return traitsOf(code).name;
}
