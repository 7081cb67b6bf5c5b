// The convolution of the distribution's passes, several bins to a vector
// register. Each bin's products are added in the plain loop's order, without
// fused multiply-adds, so every instruction set gives the same numbers.
#include "scoring/ConvolveKernel.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "scoring/ConvolveKernel.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#ifndef VARNO_CONVOLVE_KERNEL_ONCE
#define VARNO_CONVOLVE_KERNEL_ONCE

namespace varno_simd {

template <typename Real>
using ConvolveFunction = void (*)(Real*, std::size_t, std::size_t, std::uint32_t, const std::array<Real, 4>&,
                                  const std::array<std::size_t, 4>&);

template <std::int64_t Set>
struct ConvolveFloatKernel {
    static constexpr ConvolveFunction<float> value = nullptr;
};
template <std::int64_t Set>
struct ConvolveDoubleKernel {
    static constexpr ConvolveFunction<double> value = nullptr;
};

} // namespace varno_simd

#endif

#if HWY_TARGET != HWY_SCALAR

HWY_BEFORE_NAMESPACE();
namespace varno_simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// A bin's sum of products over the first Count letters; a vector's loads
// all come before its store, and later vectors read only at or above their
// own bins, which no store has reached yet.
template <std::uint32_t Count, typename Real>
void convolveLetters(Real* state, std::size_t from, std::size_t to, const std::array<Real, 4>& weight,
                     const std::array<std::size_t, 4>& shift)
{
    const hn::ScalableTag<Real> d;
    const std::size_t lanes = hn::Lanes(d);
    std::size_t i = from;
    for (; i + lanes <= to; i += lanes) {
        auto sum = hn::Mul(hn::Set(d, weight[0]), hn::LoadU(d, state + i + shift[0]));
        for (std::uint32_t j = 1; j < Count; ++j)
            sum = hn::Add(sum, hn::Mul(hn::Set(d, weight[j]), hn::LoadU(d, state + i + shift[j])));
        hn::StoreU(sum, d, state + i);
    }
    for (; i < to; ++i) {
        Real sum = weight[0] * state[i + shift[0]];
        for (std::uint32_t j = 1; j < Count; ++j)
            sum = sum + weight[j] * state[i + shift[j]];
        state[i] = sum;
    }
}

template <typename Real>
void convolve(Real* state, std::size_t from, std::size_t to, std::uint32_t count, const std::array<Real, 4>& weight,
              const std::array<std::size_t, 4>& shift)
{
    switch (count) {
    case 1: convolveLetters<1>(state, from, to, weight, shift); break;
    case 2: convolveLetters<2>(state, from, to, weight, shift); break;
    case 3: convolveLetters<3>(state, from, to, weight, shift); break;
    default: convolveLetters<4>(state, from, to, weight, shift); break;
    }
}

void convolveFloat(float* state, std::size_t from, std::size_t to, std::uint32_t count,
                   const std::array<float, 4>& weight, const std::array<std::size_t, 4>& shift)
{
    convolve(state, from, to, count, weight, shift);
}

void convolveDouble(double* state, std::size_t from, std::size_t to, std::uint32_t count,
                    const std::array<double, 4>& weight, const std::array<std::size_t, 4>& shift)
{
    convolve(state, from, to, count, weight, shift);
}

} // namespace HWY_NAMESPACE
} // namespace varno_simd
HWY_AFTER_NAMESPACE();

template <>
struct varno_simd::ConvolveFloatKernel<HWY_TARGET> {
    static constexpr ConvolveFunction<float> value = &HWY_NAMESPACE::convolveFloat;
};
template <>
struct varno_simd::ConvolveDoubleKernel<HWY_TARGET> {
    static constexpr ConvolveFunction<double> value = &HWY_NAMESPACE::convolveDouble;
};

#endif

#if HWY_ONCE

#include "scoring/VectorSetTable.h"

namespace {

template <template <std::int64_t> class Kernel, typename Real>
bool convolveWith(Real* state, std::size_t from, std::size_t to, std::uint32_t count, const std::array<Real, 4>& weight,
                  const std::array<std::size_t, 4>& shift)
{
    static constexpr auto versions = varno_simd::perVectorSet<Kernel>();
    const auto version = varno_simd::chosenOf(versions);
    if (version != nullptr)
        version(state, from, to, count, weight, shift);
    return version != nullptr;
}

} // namespace

bool convolveInVectors(float* state, std::size_t from, std::size_t to, std::uint32_t count,
                       const std::array<float, 4>& weight, const std::array<std::size_t, 4>& shift)
{
    return convolveWith<varno_simd::ConvolveFloatKernel>(state, from, to, count, weight, shift);
}

bool convolveInVectors(double* state, std::size_t from, std::size_t to, std::uint32_t count,
                       const std::array<double, 4>& weight, const std::array<std::size_t, 4>& shift)
{
    return convolveWith<varno_simd::ConvolveDoubleKernel>(state, from, to, count, weight, shift);
}

#endif
