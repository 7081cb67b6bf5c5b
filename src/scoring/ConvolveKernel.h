#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// One column's step of the distribution's passes in vector registers:
// state[i] = weight[0] * state[i + shift[0]] + ... + weight[count - 1] *
// state[i + shift[count - 1]] for i in [from, to), in place, the products
// added in that order, so that every state is the same number as the plain
// loop makes. Shifts are not negative: every read is at or above the index
// written. False on the scalar path, where the caller's own loop does it.
bool convolveInVectors(float* state, std::size_t from, std::size_t to, std::uint32_t count,
                       const std::array<float, 4>& weight, const std::array<std::size_t, 4>& shift);
bool convolveInVectors(double* state, std::size_t from, std::size_t to, std::uint32_t count,
                       const std::array<double, 4>& weight, const std::array<std::size_t, 4>& shift);
