#pragma once

// The table of instruction sets that every kernel compiled once per set with
// Highway (its foreach_target) is chosen from. Include after <hwy/highway.h>,
// once per file (under HWY_ONCE). A kernel gives each set's version as an
// explicit specialization, in the pass that compiles it:
//
//     template <std::int64_t Set> struct MyKernel { static constexpr MyFunction value = nullptr; };
//     ... per pass:
//     template <> struct MyKernel<HWY_TARGET> { static constexpr MyFunction value = &HWY_NAMESPACE::run; };
//
// and picks the chosen one with chosenOf(perVectorSet<MyKernel>()).

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "scoring/VectorSets.h"

namespace varno_simd {

// The vector sets, best first, by Highway's bit for each. Elsewhere than on
// x86-64 the build compiles Highway's scalar code alone (CMakeLists.txt):
// no processor checks are written here for other sets.
#if HWY_ARCH_X86
inline constexpr std::array<std::int64_t, 4> vectorSets = {HWY_AVX3, HWY_AVX2, HWY_SSE4, HWY_SSSE3};
#else
inline constexpr std::array<std::int64_t, 0> vectorSets = {};
#endif

constexpr std::int64_t listedSets()
{
    std::int64_t sets = 0;
    for (const std::int64_t set : vectorSets)
        sets |= set;
    return sets;
}

// A set Highway compiles that this table lacks would never be chosen, and a
// kernel's version of it never checked for: a newer Highway fails the build
// here instead (and VectorSets.cpp checks that every processor feature it
// compiles a set for has a check).
static_assert((HWY_TARGETS & ~(listedSets() | HWY_SCALAR | HWY_EMU128)) == 0,
              "Highway compiles an instruction set missing from varno_simd::vectorSets");

template <template <std::int64_t> class Kernel, std::size_t... At>
constexpr auto perVectorSetAt(std::index_sequence<At...>)
{
    static_assert(((!(HWY_TARGETS & vectorSets[At]) || Kernel<vectorSets[At]>::value != nullptr) && ...),
                  "a kernel lacks its version of a set Highway compiles");
    return std::array<decltype(Kernel<0>::value), vectorSets.size()>{Kernel<vectorSets[At]>::value...};
}

// Each set's version of the kernel, in the order of vectorSets; null for a
// set Highway does not compile here.
template <template <std::int64_t> class Kernel>
constexpr auto perVectorSet()
{
    return perVectorSetAt<Kernel>(std::make_index_sequence<vectorSets.size()>{});
}

// The chosen set's version; null on the scalar path.
template <class Function>
Function chosenOf(const std::array<Function, vectorSets.size()>& versions)
{
    const std::size_t chosen = chosenVectorSet();
    return chosen < versions.size() ? versions[chosen] : nullptr;
}

} // namespace varno_simd
