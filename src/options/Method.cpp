#include "options/Method.h"

namespace {

// Entry c - 1 describes code c; entry 11 any code outside 1..11.
constexpr MethodTraits methods[] = {
    {"Ri", false, Differential::None},
    {"BvH HI", true, Differential::None},
    {"Rsequence_BvH", true, Differential::None},
    {"Rsequence_Differential_Rsequence", false, Differential::Rsequence},
    {"Rsequence_Ri", false, Differential::None},
    {"PredictRegulon", false, Differential::None},
    {"RE_Ri", false, Differential::None},
    {"Differential_RE", false, Differential::RelativeEntropy},
    {"Iseq", false, Differential::None},
    {"Varno_HI", false, Differential::None},
    {"Differential_Rsequence", false, Differential::Rsequence},
    {"???", false, Differential::None},
};

constexpr std::int32_t knownMethods = 11;

} // namespace

const MethodTraits& traitsOf(std::int32_t code)
{
    return methods[code >= 1 && code <= knownMethods ? code - 1 : knownMethods];
}
