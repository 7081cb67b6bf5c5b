#include "scan/Complement.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "sequences/LetterComplement.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "scan/Complement.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#ifndef VARNO_COMPLEMENT_ONCE
#define VARNO_COMPLEMENT_ONCE

namespace {

// The complements of the four plain bases, by their low four bits, which tell them
// apart (A 1, C 3, T 4, G 7): a 16-byte table that a vector looks bytes up in.
alignas(16) constexpr std::array<std::uint8_t, 16> plainByNibble = [] {
    std::array<std::uint8_t, 16> table{};
    for (const char base : {'A', 'C', 'G', 'T'})
        table[base & 15] = static_cast<std::uint8_t>(letterComplements[static_cast<unsigned char>(base)]);
    return table;
}();

} // namespace

namespace varno_simd {

using ComplementFunction = bool (*)(const char*, std::size_t, char*);

template <std::int64_t Set>
struct ComplementKernel {
    static constexpr ComplementFunction value = nullptr;
};

} // namespace varno_simd

#endif

#if HWY_TARGET != HWY_SCALAR

HWY_BEFORE_NAMESPACE();
namespace varno_simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// reverseComplement for plain bases only: false, with `to` unspecified, at a
// run holding another byte. Each vector of letters is loaded from the far end
// of its run, reversed and complemented by its low four bits.
bool reverseComplementBases(const char* last, std::size_t count, char* to)
{
    const auto* from = reinterpret_cast<const unsigned char*>(last) + 1; // one past the first letter read
    const hn::ScalableTag<std::uint8_t> d8;
    const std::size_t bytes = hn::Lanes(d8);
    const hn::Repartition<std::uint64_t, decltype(d8)> d64;
    const auto byNibble = hn::LoadDup128(d8, plainByNibble.data());
    // Reverses the bytes of each 64-bit lane; reversing the lanes does the rest.
    alignas(16) static constexpr std::uint8_t laneBytes[16] = {7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8};
    const auto swapInLanes = hn::LoadDup128(d8, laneBytes);
    const auto lowNibble = hn::Set(d8, std::uint8_t{0x0F});
    std::size_t at = 0;
    for (; at + bytes <= count; at += bytes) {
        const auto block = hn::LoadU(d8, from - at - bytes);
        const auto plain = hn::Or(hn::Or(hn::Eq(block, hn::Set(d8, 'A')), hn::Eq(block, hn::Set(d8, 'C'))),
                                  hn::Or(hn::Eq(block, hn::Set(d8, 'G')), hn::Eq(block, hn::Set(d8, 'T'))));
        if (!hn::AllTrue(d8, plain))
            return false;
        const auto reversed =
            hn::TableLookupBytes(hn::BitCast(d8, hn::Reverse(d64, hn::BitCast(d64, block))), swapInLanes);
        hn::StoreU(hn::TableLookupBytes(byNibble, hn::And(reversed, lowNibble)), d8,
                   reinterpret_cast<std::uint8_t*>(to) + at);
    }
    for (; at < count; ++at) {
        const auto letter = static_cast<unsigned char>(last[-static_cast<std::ptrdiff_t>(at)]);
        if (letter != 'A' && letter != 'C' && letter != 'G' && letter != 'T')
            return false;
        to[at] = letterComplements[letter];
    }
    return true;
}

} // namespace HWY_NAMESPACE
} // namespace varno_simd
HWY_AFTER_NAMESPACE();

template <>
struct varno_simd::ComplementKernel<HWY_TARGET> {
    static constexpr ComplementFunction value = &HWY_NAMESPACE::reverseComplementBases;
};

#endif

#if HWY_ONCE

#include "scoring/VectorSetTable.h"
#include "sequences/Hit.h"

void reverseComplement(const char* last, std::size_t count, char* to)
{
    static constexpr auto versions = varno_simd::perVectorSet<varno_simd::ComplementKernel>();
    const varno_simd::ComplementFunction version = varno_simd::chosenOf(versions);
    if (version != nullptr && version(last, count, to))
        return;
    for (std::size_t i = 0; i < count; ++i)
        to[i] = complementOf(last[-static_cast<std::ptrdiff_t>(i)]);
}

void appendWindowLetters(std::string& out, const std::string& bases, const Hit& hit)
{
    const std::size_t length = hit.windowLength;
    const std::size_t at = out.size();
    if (bases.empty() || length > bases.size())
        return; // no hit has such a window
    const std::size_t left = leftmostLetter(hit, bases.size());
    // The letters up to the sequence's end, then those from its start again.
    const std::size_t before = std::min(length, bases.size() - left);
    const std::size_t after = length - before;
    out.resize(at + length);
    char* to = &out[at];
    if (hit.forward) {
        std::copy_n(bases.data() + left, before, to);
        std::copy_n(bases.data(), after, to + before);
        return;
    }
    // The reverse strand reads the letters from the origin first, backwards.
    if (after > 0)
        reverseComplement(bases.data() + after - 1, after, to);
    reverseComplement(bases.data() + left + before - 1, before, to + after);
}

std::string windowLetters(const std::string& bases, const Hit& hit)
{
    std::string letters;
    appendWindowLetters(letters, bases, hit);
    return letters;
}

#endif
