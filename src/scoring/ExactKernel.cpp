// The exact kernel: every window's score in vector registers, the sums of
// several windows at once, each lane adding its window's terms to 0.0 in
// window order as ScoreTable::score does, so that every score is the same
// double on every instruction set. Highway spells the in-register lookup
// below once for every set, which no compiler makes of the plain loop.
#include "scoring/ExactKernel.h"

#include <cstdint>
#include <vector>

#include "scoring/ScoreTable.h"
#include "scoring/WindowScores.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "scoring/ExactKernel.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "scoring/WindowChunks-inl.h"

#ifndef VARNO_EXACT_KERNEL_ONCE
#define VARNO_EXACT_KERNEL_ONCE

namespace varno_simd {

using ExactFunction = std::size_t (*)(const WindowScores&, const char*, std::size_t, double*, const CutoffTest*,
                                      std::uint32_t*);

template <std::int64_t Set>
struct ExactKernel {
    static constexpr ExactFunction value = nullptr;
};

} // namespace varno_simd

#endif

#if HWY_TARGET != HWY_SCALAR

HWY_BEFORE_NAMESPACE();
namespace varno_simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Letters to lane indices: per letter, the two 32-bit halves of its term's
// double within the column's register, 2 * code and 2 * code + 1; 2 * code is
// the letter's bits 1 and 2. Sixteen letters are loaded into every 128-bit
// block, and each vector of indices takes two of them per block with one
// byte lookup.
void toLaneIndices(const unsigned char* letters, std::size_t count, std::uint64_t* indices)
{
    const hn::ScalableTag<std::uint8_t> d8;
    const hn::Repartition<std::uint64_t, decltype(d8)> d64;
    constexpr std::size_t blockBytes = 16;
    const std::size_t blocks = hn::Lanes(d8) / blockBytes;
    const std::size_t perVector = 2 * blocks;
    const std::size_t vectors = blockBytes / perVector;
    constexpr std::uint8_t none = 0x80; // a lookup of this gives 0
    alignas(HWY_MAX_BYTES) std::uint8_t picks[blockBytes / 2][HWY_MAX_BYTES];
    for (std::size_t vector = 0; vector < vectors; ++vector)
        for (std::size_t block = 0; block < blocks; ++block)
            for (std::size_t half = 0; half < 2; ++half) {
                std::uint8_t* lane = &picks[vector][block * blockBytes + half * 8];
                const auto letter = static_cast<std::uint8_t>(vector * perVector + block * 2 + half);
                for (std::size_t byte = 0; byte < 8; ++byte)
                    lane[byte] = byte % 4 == 0 ? letter : none;
            }
    const auto twiceCode = hn::Set(d8, std::uint8_t{6});
    const auto upperOne = hn::BitCast(d8, hn::Set(d64, std::uint64_t{1} << 32));
    std::size_t at = 0;
    for (; at + blockBytes <= count; at += blockBytes) {
        const auto evens = hn::And(hn::LoadDup128(d8, letters + at), twiceCode);
        for (std::size_t vector = 0; vector < vectors; ++vector) {
            const auto pair = hn::Add(hn::TableLookupBytesOr0(evens, hn::Load(d8, picks[vector])), upperOne);
            hn::StoreU(hn::BitCast(d64, pair), d64, indices + at + vector * perVector);
        }
    }
    for (; at < count; ++at) {
        const std::uint64_t even = letters[at] & 6u;
        indices[at] = even | ((even + 1) << 32);
    }
}

// Groups of sumsInFlight vectors of doubles, for scoreInChunks.
class ExactGroups {
public:
    ExactGroups(const WindowScores& scorer, const CutoffTest* test, double* scores, std::uint32_t* indices,
                std::uint64_t* laneIndices)
        : laneIndices_(laneIndices),
          terms_(scorer.codeTerms()),
          windowLength_(scorer.table().windowLength()),
          test_(test),
          cutoff_(test != nullptr ? test->cutoff : 0.0),
          lowerIsBetter_(test != nullptr && test->sense.lowerIsBetter()),
          scores_(scores),
          indices_(indices)
    {
    }

    std::size_t windows() const { return sumsInFlight * hn::Lanes(d); }

    void prepare(const unsigned char* letters, std::size_t span) { toLaneIndices(letters, span, laneIndices_); }

    // Scores the group of windows from `offset` on, whose lane indices start
    // at the chunk's `first`; returns the passing windows found so far.
    HWY_INLINE std::size_t score(std::size_t offset, std::size_t first, std::size_t found)
    {
        const hn::Repartition<std::uint32_t, decltype(d)> d32;
        const std::size_t lanes = hn::Lanes(d);
        const std::size_t stride = WindowScores::columnStride();
        double* out = scores_ + offset;
        // Loops over the sums are unrolled, or the sums live in memory.
        using Vector = decltype(hn::Zero(d));
        Vector sums[sumsInFlight];
#pragma GCC unroll 16
        for (Vector& sum : sums)
            sum = hn::Zero(d);
        const std::uint64_t* at = laneIndices_ + first;
        for (std::size_t column = 0; column < windowLength_; ++column, ++at) {
            const double* terms = terms_ + column * stride;
#if HWY_CAP_GE256
            // One register holds the column's four terms: one lookup per vector.
            const auto table32 = hn::BitCast(d32, hn::LoadU(d, terms));
            const auto pick = [&](const std::uint64_t* index) {
                const auto lanes32 = hn::LoadU(d32, reinterpret_cast<const std::uint32_t*>(index));
                return hn::BitCast(d, hn::TableLookupLanes(table32, hn::IndicesFromVec(d32, lanes32)));
            };
#else
            // Two terms per 128-bit register: look up in both, keep the right one.
            const auto low32 = hn::BitCast(d32, hn::LoadU(d, terms));
            const auto high32 = hn::BitCast(d32, hn::LoadU(d, terms + 2));
            const auto three = hn::Set(d32, 3u);
            const auto four = hn::Set(d32, 4u);
            const auto pick = [&](const std::uint64_t* index) {
                const auto lanes32 = hn::LoadU(d32, reinterpret_cast<const std::uint32_t*>(index));
                const auto within = hn::IndicesFromVec(d32, hn::And(lanes32, three));
                const auto high = hn::Eq(hn::And(lanes32, four), four);
                return hn::BitCast(
                    d, hn::IfThenElse(high, hn::TableLookupLanes(high32, within), hn::TableLookupLanes(low32, within)));
            };
#endif
#pragma GCC unroll 16
            for (std::size_t vector = 0; vector < sumsInFlight; ++vector)
                sums[vector] = hn::Add(sums[vector], pick(at + vector * lanes));
        }
#pragma GCC unroll 16
        for (std::size_t vector = 0; vector < sumsInFlight; ++vector)
            hn::StoreU(sums[vector], d, out + vector * lanes);
        if (test_ == nullptr)
            return found;
        // The scores that pass are found where they are made: a group of
        // them that all fail, as nearly all do, costs one test.
        const auto cut = hn::Set(d, cutoff_);
        const auto passesAt = [&](std::size_t vector) {
            return lowerIsBetter_ ? hn::Lt(sums[vector], cut) : hn::Gt(sums[vector], cut);
        };
        auto passes = passesAt(0);
#pragma GCC unroll 16
        for (std::size_t vector = 1; vector < sumsInFlight; ++vector)
            passes = hn::Or(passes, passesAt(vector));
        if (hn::AllFalse(d, passes))
            return found;
        return passingFrom(offset, scores_, offset + windows(), *test_, indices_, found);
    }

private:
    const hn::ScalableTag<double> d;
    std::uint64_t* laneIndices_; // chunkWindows + L - 1 of them
    const double* terms_;
    std::size_t windowLength_;
    const CutoffTest* test_;
    // The test's, read once: the scores written may lie anywhere.
    double cutoff_;
    bool lowerIsBetter_;
    double* scores_;
    std::uint32_t* indices_;
};

std::size_t exactScores(const WindowScores& scorer, const char* text, std::size_t count, double* scores,
                        const CutoffTest* test, std::uint32_t* indices)
{
    // Kept from call to call, so that a scan asks for its memory once.
    thread_local std::vector<std::uint64_t> laneIndices;
    laneIndices.resize(chunkWindows + scorer.table().windowLength());
    ExactGroups groups(scorer, test, scores, indices, laneIndices.data());
    return scoreInChunks(groups, scorer.table(), text, count, test, scores, indices);
}

} // namespace HWY_NAMESPACE
} // namespace varno_simd
HWY_AFTER_NAMESPACE();

template <>
struct varno_simd::ExactKernel<HWY_TARGET> {
    static constexpr ExactFunction value = &HWY_NAMESPACE::exactScores;
};

#endif

#if HWY_ONCE

#include "scoring/VectorSetTable.h"

std::size_t scoreExactly(const WindowScores& scorer, const char* text, std::size_t count, double* scores,
                         const CutoffTest* test, std::uint32_t* indices)
{
    static constexpr auto versions = varno_simd::perVectorSet<varno_simd::ExactKernel>();
    if (const varno_simd::ExactFunction version = varno_simd::chosenOf(versions))
        return version(scorer, text, count, scores, test, indices);
    scoreWithTable(scorer.table(), text, count, scores);
    return test == nullptr ? 0 : passingFrom(0, scores, count, *test, indices, 0);
}

#endif
