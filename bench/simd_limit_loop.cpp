// The speed limit of a window scan with vector instructions: the same windows,
// table and cut-off as limit_loop.cpp, and the same count of passing windows,
// but several consecutive windows are scored at once, one per vector lane.
//
// Every lane adds its window's terms to 0.0 in column order, exactly as the
// scalar loop does, so every sum is the same double and the counts agree.
// A column's four terms (A, C, G, T) sit in one register; each letter is
// turned into a lane index first, and one in-register lookup per column picks
// every lane's term (a permute: no memory read per lane, as a gather makes).
// Windows that hold a letter other than A, C, G or T are scored by the scalar
// loop, with the table's entry for that letter.
//
// The instruction set is chosen at run time (Highway's dynamic dispatch):
// AVX-512 or AVX2 take the one-permute path, 128-bit sets a two-register one.
// Highway rather than compiler clones of a plain loop: no compiler turns the
// scalar table lookup into this permute, and Highway spells it once for every
// instruction set.
//
// Usage: simd_limit_loop FASTA_FILE WINDOW_LENGTH
//        simd_limit_loop --target     (prints the instruction set it would use)
// Prints: bases, scan milliseconds, milliseconds per Mb, windows passing.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/limit_harness.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "bench/simd_limit_loop.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/aligned_allocator.h>

#ifndef VARNO_SIMD_LIMIT_SHARED
#define VARNO_SIMD_LIMIT_SHARED

namespace limit {

// Windows converted to lane indices at a time: the index buffer (8 bytes a
// letter) stays in the first-level cache while every column reads it.
constexpr std::size_t kChunk = 2048;

// A letter's two-bit code is (letter >> 1) & 3: A 0, C 1, T 2, G 3.
constexpr char kCodeLetters[4] = {'A', 'C', 'T', 'G'};

struct Strand {
    const unsigned char* letters; // the circular text: the strand and its first windowLength letters again
    std::size_t windows;          // one per letter of the strand
};

// The scalar loop's own sum for one window, for windows the lanes cannot take.
inline bool scalarPasses(const unsigned char* letters, const double* table, std::size_t windowLength, double cutoff)
{
    double sum = 0.0;
    for (std::size_t column = 0; column < windowLength; ++column)
        sum += table[column * 256 + letters[column]];
    return sum > cutoff;
}

} // namespace limit

#endif

HWY_BEFORE_NAMESPACE();
namespace limit {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

const char* targetName()
{
    return hwy::TargetName(HWY_TARGET);
}

#if HWY_TARGET == HWY_SCALAR

// One lane is no gain: the plain loop.
std::uint64_t scanStrand(const Strand& strand, const double* table, std::size_t windowLength, double cutoff)
{
    std::uint64_t passing = 0;
    for (std::size_t offset = 0; offset < strand.windows; ++offset)
        passing += scalarPasses(strand.letters + offset, table, windowLength, cutoff);
    return passing;
}

#else

// Independent sums in flight per column, enough to keep the permute unit busy
// through the latency of the adds; eight measured faster than four.
constexpr std::size_t kVectors = 8;

std::uint64_t scanStrand(const Strand& strand, const double* table, std::size_t windowLength, double cutoff)
{
    const hn::ScalableTag<double> d;
    const std::size_t lanes = hn::Lanes(d);
    const std::size_t group = kVectors * lanes;
    // A column's terms in code order, repeated to fill a vector (at least 4).
    const std::size_t stride = std::max<std::size_t>(4, lanes);

    hwy::AlignedFreeUniquePtr<double[]> columns = hwy::AllocateAligned<double>(windowLength * stride);
    for (std::size_t column = 0; column < windowLength; ++column)
        for (std::size_t lane = 0; lane < stride; ++lane)
            columns[column * stride + lane] =
                table[column * 256 + static_cast<unsigned char>(kCodeLetters[lane % 4])];

    // Per letter, the two 32-bit halves of its term's double within the
    // column register: 2 * code and 2 * code + 1, little end first.
    std::uint64_t laneIndex[256];
    for (std::size_t letter = 0; letter < 256; ++letter) {
        const std::uint64_t code = (letter >> 1) & 3;
        laneIndex[letter] = (2 * code) | ((2 * code + 1) << 32);
    }
    bool foreign[256] = {};
    for (std::size_t letter = 0; letter < 256; ++letter)
        foreign[letter] = letter != 'A' && letter != 'C' && letter != 'G' && letter != 'T';

    // Letters to lane indices, a vector of letters at a time; the last few
    // through the table above.
    const hn::Repartition<std::uint32_t, decltype(d)> d32;
    const hn::Rebind<std::uint8_t, decltype(d32)> d8ForCodes;
    const hn::Half<decltype(d32)> d32Half;
    const hn::RebindToUnsigned<decltype(d)> d64;
    const auto convert = [&](const unsigned char* from, std::size_t count, std::uint64_t* to) {
        const std::size_t step = hn::Lanes(d32);
        const auto three = hn::Set(d32, 3u);
        const auto upperOne = hn::Set(d64, std::uint64_t{1} << 32);
        std::size_t position = 0;
        for (; position + step <= count; position += step) {
            const auto letters32 = hn::PromoteTo(d32, hn::LoadU(d8ForCodes, from + position));
            const auto code = hn::And(hn::ShiftRight<1>(letters32), three);
            const auto even = hn::Add(code, code);
            const auto low = hn::PromoteTo(d64, hn::LowerHalf(d32Half, even));
            const auto high = hn::PromoteTo(d64, hn::UpperHalf(d32Half, even));
            hn::StoreU(hn::Add(hn::Or(low, hn::ShiftLeft<32>(low)), upperOne), d64, to + position);
            hn::StoreU(hn::Add(hn::Or(high, hn::ShiftLeft<32>(high)), upperOne), d64, to + position + step / 2);
        }
        for (; position < count; ++position)
            to[position] = laneIndex[from[position]];
    };
    const hn::ScalableTag<std::uint8_t> d8;
    const std::size_t bytes = hn::Lanes(d8);
    const auto letterA = hn::Set(d8, std::uint8_t{'A'});
    const auto letterC = hn::Set(d8, std::uint8_t{'C'});
    const auto letterG = hn::Set(d8, std::uint8_t{'G'});
    const auto letterT = hn::Set(d8, std::uint8_t{'T'});

    std::vector<std::uint64_t> indices(kChunk + windowLength + group);
    std::vector<std::size_t> foreignAt;
    const auto cut = hn::Set(d, cutoff);
    std::uint64_t passing = 0;

    for (std::size_t start = 0; start < strand.windows; start += kChunk) {
        const std::size_t windows = std::min(kChunk, strand.windows - start);
        const unsigned char* letters = strand.letters + start;
        const std::size_t span = windows + windowLength - 1;
        convert(letters, span, indices.data());
        // Foreign letters are rare: a block of plain A, C, G and T is passed over
        // with a few compares, and only another block is looked at letter by letter.
        foreignAt.clear();
        std::size_t position = 0;
        for (; position + bytes <= span; position += bytes) {
            const auto block = hn::LoadU(d8, letters + position);
            const auto plain = hn::Or(hn::Or(hn::Eq(block, letterA), hn::Eq(block, letterC)),
                                      hn::Or(hn::Eq(block, letterG), hn::Eq(block, letterT)));
            if (!hn::AllTrue(d8, plain))
                for (std::size_t at = position; at < position + bytes; ++at)
                    if (foreign[letters[at]])
                        foreignAt.push_back(at);
        }
        for (; position < span; ++position)
            if (foreign[letters[position]])
                foreignAt.push_back(position);

        std::size_t nextForeign = 0;
        std::size_t first = 0;
        for (; first + group <= windows; first += group) {
            while (nextForeign < foreignAt.size() && foreignAt[nextForeign] < first)
                ++nextForeign;
            if (nextForeign < foreignAt.size() && foreignAt[nextForeign] < first + group + windowLength - 1) {
                for (std::size_t window = first; window < first + group; ++window)
                    passing += scalarPasses(letters + window, table, windowLength, cutoff);
                continue;
            }
            // Loops over the sums are unrolled, or the sums live in memory.
            using Vector = decltype(hn::Zero(d));
            Vector sums[kVectors];
#pragma GCC unroll 16
            for (Vector& sum : sums)
                sum = hn::Zero(d);
            const std::uint64_t* at = indices.data() + first;
            for (std::size_t column = 0; column < windowLength; ++column, ++at) {
                const double* terms = columns.get() + column * stride;
#if HWY_CAP_GE256
                // One register holds the column's four terms: one permute per vector.
                const auto table32 = hn::BitCast(d32, hn::Load(d, terms));
                const auto pick = [&](const std::uint64_t* index) {
                    const auto lanes32 = hn::LoadU(d32, reinterpret_cast<const std::uint32_t*>(index));
                    return hn::BitCast(d, hn::TableLookupLanes(table32, hn::IndicesFromVec(d32, lanes32)));
                };
#else
                // Two terms per 128-bit register: look up in both, keep the right one.
                const auto low32 = hn::BitCast(d32, hn::Load(d, terms));
                const auto high32 = hn::BitCast(d32, hn::Load(d, terms + 2));
                const auto three = hn::Set(d32, 3u);
                const auto four = hn::Set(d32, 4u);
                const auto pick = [&](const std::uint64_t* index) {
                    const auto lanes32 = hn::LoadU(d32, reinterpret_cast<const std::uint32_t*>(index));
                    const auto within = hn::IndicesFromVec(d32, hn::And(lanes32, three));
                    const auto high = hn::Eq(hn::And(lanes32, four), four);
                    return hn::BitCast(d, hn::IfThenElse(high, hn::TableLookupLanes(high32, within),
                                                         hn::TableLookupLanes(low32, within)));
                };
#endif
#pragma GCC unroll 16
                for (std::size_t vector = 0; vector < kVectors; ++vector)
                    sums[vector] = hn::Add(sums[vector], pick(at + vector * lanes));
            }
#pragma GCC unroll 16
            for (const Vector& sum : sums)
                passing += hn::CountTrue(d, hn::Gt(sum, cut));
        }
        // The few windows left over at the strand's end.
        for (; first < windows; ++first)
            passing += scalarPasses(letters + first, table, windowLength, cutoff);
    }
    return passing;
}

#endif

} // namespace HWY_NAMESPACE
} // namespace limit
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace limit {

HWY_EXPORT(targetName);
HWY_EXPORT(scanStrand);

namespace {

// One strand, on the best instruction set this machine has.
std::uint64_t scanStrand(const std::string& text, std::size_t windows, const std::vector<double>& table,
                         std::size_t windowLength, double cutoff)
{
    const Strand strand{reinterpret_cast<const unsigned char*>(text.data()), windows};
    return HWY_DYNAMIC_DISPATCH(scanStrand)(strand, table.data(), windowLength, cutoff);
}

} // namespace
} // namespace limit

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--target") == 0) {
        std::printf("%s\n", HWY_DYNAMIC_DISPATCH(limit::targetName)());
        return 0;
    }
    return limit::runLimitLoop(argc, argv, "simd_limit_loop", limit::scanStrand);
}

#endif // HWY_ONCE
