#pragma once

#include <cstddef>
#include <string>
#include <vector>

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

// The chosen path as its place in the kernels' table of vector sets
// (scoring/VectorSetTable.h); that table's size for the scalar path.
std::size_t chosenVectorSet();
