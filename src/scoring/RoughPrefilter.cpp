#include "scoring/RoughPrefilter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "scoring/ExactKernel.h"
#include "scoring/ScoreTable.h"
#include "scoring/WindowScores.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "scoring/RoughPrefilter.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "scoring/WindowChunks-inl.h"

#ifndef VARNO_ROUGH_PREFILTER_ONCE
#define VARNO_ROUGH_PREFILTER_ONCE

namespace varno_simd {

using RoughFunction = std::size_t (*)(const WindowScores&, const RoughPrefilter&, const char*, std::size_t,
                                      const CutoffTest&, double*, std::uint32_t*);

template <std::int64_t Set>
struct RoughKernel {
    static constexpr RoughFunction value = nullptr;
};

} // namespace varno_simd

#endif

#if HWY_TARGET != HWY_SCALAR

HWY_BEFORE_NAMESPACE();
namespace varno_simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Windows of a group near the cut-off, up to which each is scored by the
// table alone: scoring a whole group in vector registers costs about as much
// as a dozen of them.
constexpr std::size_t fewNear = 8;

// Letters to the byte pairs that look up their rough terms: 2 * code and
// 2 * code + 1, where 2 * code is the letter's bits 1 and 2.
void toBytePairs(const unsigned char* letters, std::size_t count, std::uint16_t* pairs)
{
    const hn::ScalableTag<std::uint16_t> d16;
    const hn::Rebind<std::uint8_t, decltype(d16)> d8;
    const std::size_t lanes = hn::Lanes(d16);
    std::size_t at = 0;
    for (; at + lanes <= count; at += lanes) {
        const auto even = hn::And(hn::PromoteTo(d16, hn::LoadU(d8, letters + at)), hn::Set(d16, std::uint16_t{6}));
        hn::StoreU(hn::Or(even, hn::ShiftLeft<8>(hn::Add(even, hn::Set(d16, std::uint16_t{1})))), d16, pairs + at);
    }
    for (; at < count; ++at) {
        const unsigned even = letters[at] & 6u;
        pairs[at] = static_cast<std::uint16_t>(even | (even + 1) << 8);
    }
}

// Groups of sumsInFlight vectors of 16-bit rough sums, four times as many
// windows a vector as doubles, each term looked up by one byte lookup, for
// scoreInChunks. A window whose rough sum comes near enough to pass is
// scored in full, so every window that passes is found, with its exact score.
class RoughGroups {
public:
    RoughGroups(const WindowScores& scorer, const RoughPrefilter& prefilter, const char* text, const CutoffTest& test,
                std::int16_t bound, double* scores, std::uint32_t* indices, std::uint16_t* pairs)
        : pairs_(pairs),
          scorer_(scorer),
          text_(text),
          terms_(prefilter.terms()),
          windowLength_(scorer.table().windowLength()),
          test_(test),
          bound_(bound),
          scores_(scores),
          indices_(indices)
    {
    }

    std::size_t windows() const { return sumsInFlight * hn::Lanes(d16); }

    void prepare(const unsigned char* letters, std::size_t span) { toBytePairs(letters, span, pairs_); }

    // Finds the passing windows of the group from `offset` on, whose byte
    // pairs start at the chunk's `first`; returns those found so far.
    HWY_INLINE std::size_t score(std::size_t offset, std::size_t first, std::size_t found)
    {
        const hn::Repartition<std::uint8_t, decltype(d16)> d8;
        const hn::RebindToSigned<decltype(d16)> di16;
        const std::size_t lanes = hn::Lanes(d16);
        const std::size_t stride = RoughPrefilter::stride();
        using Vector = decltype(hn::Zero(d16));
        Vector sums[sumsInFlight];
#pragma GCC unroll 16
        for (Vector& sum : sums)
            sum = hn::Set(d16, RoughPrefilter::startingSum);
        const std::uint16_t* at = pairs_ + first;
        for (std::size_t column = 0; column < windowLength_; ++column, ++at) {
            const auto terms = hn::LoadU(d8, terms_ + column * stride);
#pragma GCC unroll 16
            for (std::size_t vector = 0; vector < sumsInFlight; ++vector) {
                const auto pair = hn::LoadU(d8, reinterpret_cast<const std::uint8_t*>(at + vector * lanes));
                sums[vector] = hn::Add(sums[vector], hn::BitCast(d16, hn::TableLookupBytes(terms, pair)));
            }
        }
        const auto bound = hn::Set(di16, bound_);
        const auto nearAt = [&](std::size_t vector) { return hn::Gt(hn::BitCast(di16, sums[vector]), bound); };
        auto anyNear = nearAt(0);
#pragma GCC unroll 16
        for (std::size_t vector = 1; vector < sumsInFlight; ++vector)
            anyNear = hn::Or(anyNear, nearAt(vector));
        if (hn::AllFalse(di16, anyNear))
            return found;
        // Where many come near, as under a low cut-off, the group is scored
        // in full in vector registers instead, one at a time.
        std::size_t nearCount = 0;
        for (std::size_t vector = 0; vector < sumsInFlight; ++vector)
            nearCount += hn::CountTrue(di16, nearAt(vector));
        const ScoreTable& table = scorer_.table();
        if (nearCount > fewNear) {
            const std::size_t passed =
                exactScores(scorer_, text_ + offset, windows(), scores_ + offset, &test_, indices_ + found);
            for (std::size_t index = found; index < found + passed; ++index)
                indices_[index] += static_cast<std::uint32_t>(offset);
            return found + passed;
        }
        alignas(HWY_MAX_BYTES) std::int16_t roughSums[HWY_MAX_BYTES / sizeof(std::int16_t)];
        for (std::size_t vector = 0; vector < sumsInFlight; ++vector) {
            if (hn::AllFalse(di16, nearAt(vector)))
                continue;
            hn::Store(hn::BitCast(di16, sums[vector]), di16, roughSums);
            for (std::size_t lane = 0; lane < lanes; ++lane) {
                const std::size_t j = offset + vector * lanes + lane;
                if (roughSums[lane] > bound_) {
                    const double score = table.score(text_ + j);
                    if (test_.passes(score)) {
                        scores_[j] = score;
                        indices_[found++] = static_cast<std::uint32_t>(j);
                    }
                }
            }
        }
        return found;
    }

private:
    const hn::ScalableTag<std::uint16_t> d16;
    std::uint16_t* pairs_; // chunkWindows + L - 1 of them
    const WindowScores& scorer_;
    const char* text_;
    const std::uint8_t* terms_;
    std::size_t windowLength_;
    const CutoffTest& test_;
    std::int16_t bound_;
    double* scores_;
    std::uint32_t* indices_;
};

std::size_t roughPassing(const WindowScores& scorer, const RoughPrefilter& prefilter, const char* text,
                         std::size_t count, const CutoffTest& test, double* scores, std::uint32_t* indices)
{
    std::int16_t bound = 0;
    if (!prefilter.nearBound(test.cutoff, bound))
        return exactScores(scorer, text, count, scores, &test, indices);
    // Kept from call to call, so that a scan asks for its memory once.
    thread_local std::vector<std::uint16_t> pairs;
    pairs.resize(chunkWindows + scorer.table().windowLength());
    RoughGroups groups(scorer, prefilter, text, test, bound, scores, indices, pairs.data());
    return scoreInChunks(groups, scorer.table(), text, count, &test, scores, indices);
}

} // namespace HWY_NAMESPACE
} // namespace varno_simd
HWY_AFTER_NAMESPACE();

template <>
struct varno_simd::RoughKernel<HWY_TARGET> {
    static constexpr RoughFunction value = &HWY_NAMESPACE::roughPassing;
};

#endif

#if HWY_ONCE

#include "scoring/VectorSetTable.h"

namespace {

// Rough sums stay below this, so that they fit 16 bits with room for the
// rounding up of L terms; motifs longer than the room allows are scored in full.
constexpr double roughSumSpan = 60000.0;
constexpr std::size_t maximumRoughLength = 4096;
static_assert(roughSumSpan + maximumRoughLength < 65536.0, "rough sums must fit 16 bits");
// The widest vector of any instruction set compiled here, in bytes: each
// 128-bit block of it looks up bytes in a copy of its own.
constexpr std::size_t widestVector = 64;

} // namespace

RoughPrefilter::RoughPrefilter(const std::vector<std::array<double, 4>>& columns, ScoreSense sense)
    : terms_(columns.size() * stride()), sense_(sense), length_(static_cast<double>(columns.size()))
{
    usable_ = !columns.empty() && columns.size() <= maximumRoughLength;
    std::vector<std::array<double, 4>> oriented = columns;
    std::vector<double> least(columns.size());
    double ranges = 0.0;
    for (std::size_t column = 0; column < columns.size(); ++column) {
        std::array<double, 4>& terms = oriented[column];
        for (double& term : terms)
            term = sense.oriented(term);
        least[column] = *std::min_element(terms.begin(), terms.end());
        const double most = *std::max_element(terms.begin(), terms.end());
        usable_ = usable_ && std::isfinite(least[column]) && std::isfinite(most);
        ranges += most - least[column];
        base_ += least[column];
        largest_ += std::max(std::fabs(least[column]), std::fabs(most));
    }
    scale_ = ranges > 0.0 ? roughSumSpan / ranges : 1.0;
    // Ranges below about 3e-304 make the scale infinite.
    usable_ = usable_ && std::isfinite(ranges) && std::isfinite(largest_) && std::isfinite(scale_);
    if (!usable_)
        return;
    for (std::size_t column = 0; column < columns.size(); ++column) {
        std::uint8_t* bytes = &terms_[column * stride()];
        std::int32_t most = 0;
        for (std::size_t code = 0; code < 4; ++code) {
            // Rounded up, never down: a rough sum is never below the scale
            // times (score - base) but for the roundings nearBound allows for.
            const auto rough = static_cast<std::int32_t>(std::ceil((oriented[column][code] - least[column]) * scale_));
            most = std::max(most, rough);
            bytes[2 * code] = static_cast<std::uint8_t>(rough & 0xFF);
            bytes[2 * code + 1] = static_cast<std::uint8_t>(rough >> 8);
        }
        most_ += most;
        for (std::size_t at = 8; at < stride(); ++at)
            bytes[at] = bytes[at % 8];
    }
}

bool RoughPrefilter::nearBound(double cutoff, std::int16_t& bound) const
{
    if (!usable_)
        return false;
    // A window passes when its score, oriented, exceeds the oriented cut-off.
    // Its rough sum is at least the scale times (score - base), the terms
    // rounded up, less what floating point can move the two apart: the
    // score's own L - 1 roundings (at most (L - 1) 2^-53 of the largest
    // magnitudes summed), as many in the base, two in each rough term and in
    // this reckoning. `reach` takes all of them twice over, (L + 2) 2^-51 of
    // every magnitude involved: as the scale times the largest magnitudes is
    // at least half the rough span, that also covers the rough terms' own
    // roundings and those of the bound's arithmetic below 2^17, so no whole
    // unit of slack is added for them. The terms being rounded up, none is
    // needed for their rounding either.
    const double oriented = sense_.oriented(cutoff);
    const double reach = (length_ + 2) * 0x1p-51 * scale_ * (largest_ + std::fabs(oriented) + std::fabs(base_));
    const double least = std::ceil(scale_ * (oriented - base_) - reach);
    if (!(least > 0.0)) // every window, or not a number
        return false;
    // A rough sum s is kept as startingSum + s, read signed: s - 2^15. So
    // s >= least, the rough sums being whole, is s - 2^15 > least - 2^15 - 1.
    // Past the largest rough sum, no window passes; least then is that plus
    // one, which keeps the bound within 16 bits.
    const double reachable = std::min(least, static_cast<double>(most_) + 1.0);
    bound = static_cast<std::int16_t>(static_cast<std::int32_t>(reachable) - startingSum - 1);
    return true;
}

std::size_t RoughPrefilter::stride()
{
    return widestVector;
}

std::size_t scorePassingRoughly(const WindowScores& scorer, const RoughPrefilter& prefilter, const char* text,
                                std::size_t count, const CutoffTest& test, double* scores, std::uint32_t* indices)
{
    static constexpr auto versions = varno_simd::perVectorSet<varno_simd::RoughKernel>();
    if (const varno_simd::RoughFunction version = varno_simd::chosenOf(versions))
        return version(scorer, prefilter, text, count, test, scores, indices);
    return scoreExactly(scorer, text, count, scores, &test, indices);
}

#endif
