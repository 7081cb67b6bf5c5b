// Window scoring in vector registers, compiled once per instruction set with
// Highway's operations and chosen at run time with the compiler's own checks
// of the processor (those its function multi-versioning dispatches with).
// Highway spells the in-register lookup below once for every set, which no
// compiler makes of the plain loop. Its operations are all in its headers;
// its shared library, which its own dispatch needs, calibrates a timer
// whenever it is loaded: some 5 ms per process, a quarter of a small
// genome's whole run.
#include "scoring/WindowScores.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "options/Method.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "scoring/WindowScores.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#ifndef VARNO_WINDOW_SCORES_SHARED
#define VARNO_WINDOW_SCORES_SHARED

namespace {

// Windows whose letters are turned into lane indices at a time: the indices
// (8 bytes a letter) stay in the first-level cache while every column reads them.
constexpr std::size_t chunkWindows = 2048;

// Rough sums stay below this, so that they fit 16 bits with room for the
// rounding of L terms; motifs longer than the room allows are scored in full.
constexpr double roughSumSpan = 60000.0;
constexpr std::uint32_t maximumRoughLength = 4096;
// The widest vector of any instruction set compiled here, in bytes: each
// 128-bit block of it looks up bytes in a copy of its own.
constexpr std::size_t widestVector = 64;

// The letter of each two-bit code (letter >> 1) & 3.
constexpr char codeLetters[4] = {'A', 'C', 'T', 'G'};

// The complement of each base by its low four bits, which tell the four
// apart (A 1, C 3, T 4, G 7).
alignas(16) constexpr std::uint8_t complementByNibble[16] = {0, 'T', 0, 'G', 'A', 0, 0, 'C'};

bool isBase(unsigned char letter)
{
    return letter == 'A' || letter == 'C' || letter == 'G' || letter == 'T';
}

// reverseComplementBases from the `at`th letter on, one letter at a time.
bool reverseComplementFrom(std::size_t at, const char* last, std::size_t count, char* to)
{
    for (; at < count; ++at) {
        const auto letter = static_cast<unsigned char>(last[-static_cast<std::ptrdiff_t>(at)]);
        if (!isBase(letter))
            return false;
        to[at] = static_cast<char>(complementByNibble[letter & 15]);
    }
    return true;
}

// Appends the index of each score from the `at`th to the `count`th that
// passes the test to the `found` indices so far; returns how many there are.
std::size_t passingFrom(std::size_t at, const double* scores, std::size_t count, const CutoffTest& test,
                        std::uint32_t* indices, std::size_t found)
{
    for (; at < count; ++at)
        if (passesCutoff(scores[at], test.cutoff, test.lowerBetter))
            indices[found++] = static_cast<std::uint32_t>(at);
    return found;
}

// The scalar path: windows in blocks of the table's own. Kept out of line:
// it serves every instruction set, and only the rare window needs it there.
[[gnu::noinline]] void scoreWithTable(const ScoreTable& table, const char* letters, std::size_t count, double* scores)
{
    constexpr std::size_t blockLength = ScoreTable::blockLength;
    std::size_t index = 0;
    for (; index + blockLength <= count; index += blockLength)
        table.scoreBlock(letters + index, scores + index);
    for (; index < count; ++index)
        scores[index] = table.score(letters + index);
}

} // namespace

namespace varno_simd {

// One instruction set's kernels.
struct Kernels {
    std::size_t (*scoreWindows)(const WindowScores&, const char*, std::size_t, double*, const CutoffTest*,
                                std::uint32_t*);
    std::size_t (*passingWindows)(const WindowScores&, const char*, std::size_t, const CutoffTest&, double*,
                                  std::uint32_t*);
    bool (*reverseComplementBases)(const char*, std::size_t, char*);
};

} // namespace varno_simd

#endif

HWY_BEFORE_NAMESPACE();
namespace varno_simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Every letter is A, C, G or T. Each vector of letters is loaded from the
// far end of its run, reversed and complemented by its low four bits.
bool reverseComplementBases(const char* last, std::size_t count, char* to)
{
    std::size_t at = 0;
#if HWY_TARGET != HWY_SCALAR
    const auto* from = reinterpret_cast<const unsigned char*>(last) + 1; // one past the first letter read
    const hn::ScalableTag<std::uint8_t> d8;
    const std::size_t bytes = hn::Lanes(d8);
    const hn::Repartition<std::uint64_t, decltype(d8)> d64;
    const auto byNibble = hn::LoadDup128(d8, complementByNibble);
    // Reverses the bytes of each 64-bit lane; reversing the lanes does the rest.
    alignas(16) static constexpr std::uint8_t laneBytes[16] = {7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8};
    const auto swapInLanes = hn::LoadDup128(d8, laneBytes);
    const auto lowNibble = hn::Set(d8, std::uint8_t{0x0F});
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
#endif
    return reverseComplementFrom(at, last, count, to);
}

#if HWY_TARGET == HWY_SCALAR

std::size_t scoreWindows(const WindowScores& scorer, const char* text, std::size_t count, double* scores,
                         const CutoffTest* test, std::uint32_t* indices)
{
    scoreWithTable(scorer.table(), text, count, scores);
    return test == nullptr ? 0 : passingFrom(0, scores, count, *test, indices, 0);
}

std::size_t passingWindows(const WindowScores& scorer, const char* text, std::size_t count, const CutoffTest& test,
                           double* scores, std::uint32_t* indices)
{
    return scoreWindows(scorer, text, count, scores, &test, indices);
}

#else

// Windows of a group of rough sums that come near the cut-off, up to which
// each is scored by the table alone: scoring a whole group in vector
// registers costs about as much as a dozen of them.
constexpr std::size_t fewNear = 8;

// Independent sums in flight per column, enough to keep the lookups busy
// through the latency of the additions.
constexpr std::size_t sumsInFlight = 8;

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

// Whether all `count` letters are A, C, G or T.
bool allBases(const unsigned char* letters, std::size_t count)
{
    const hn::ScalableTag<std::uint8_t> d8;
    const std::size_t bytes = hn::Lanes(d8);
    std::size_t at = 0;
    for (; at + bytes <= count; at += bytes) {
        const auto block = hn::LoadU(d8, letters + at);
        const auto plain = hn::Or(hn::Or(hn::Eq(block, hn::Set(d8, 'A')), hn::Eq(block, hn::Set(d8, 'C'))),
                                  hn::Or(hn::Eq(block, hn::Set(d8, 'G')), hn::Eq(block, hn::Set(d8, 'T'))));
        if (!hn::AllTrue(d8, plain))
            return false;
    }
    for (; at < count; ++at)
        if (!isBase(letters[at]))
            return false;
    return true;
}

std::size_t scoreWindows(const WindowScores& scorer, const char* text, std::size_t count, double* scores,
                         const CutoffTest* test, std::uint32_t* indices)
{
    const hn::ScalableTag<double> d;
    const hn::Repartition<std::uint32_t, decltype(d)> d32;
    const std::size_t lanes = hn::Lanes(d);
    const std::size_t group = sumsInFlight * lanes;
    const ScoreTable& table = scorer.table();
    const std::size_t windowLength = table.windowLength();
    const std::size_t stride = WindowScores::columnStride();
    const auto* letters = reinterpret_cast<const unsigned char*>(text);
    thread_local std::vector<std::uint64_t> laneIndices;
    laneIndices.resize(chunkWindows + windowLength);
    // The scores that pass are found where they are made: a group of them
    // that all fail, as nearly all do, costs one test.
    std::size_t found = 0;
    const auto collect = [&](std::size_t from, std::size_t to) {
        if (test != nullptr)
            found = passingFrom(from, scores, to, *test, indices, found);
    };
    const auto cut = hn::Set(d, test != nullptr ? test->cutoff : 0.0);
    const bool lowerBetter = test != nullptr && test->lowerBetter;

    for (std::size_t start = 0; start < count; start += chunkWindows) {
        const std::size_t windows = std::min(chunkWindows, count - start);
        const std::size_t span = windows + windowLength - 1;
        toLaneIndices(letters + start, span, laneIndices.data());
        // A genome's chunk is mostly all bases: then no group needs a look of its own.
        const bool plainChunk = allBases(letters + start, span);
        std::size_t first = 0;
        for (; first + group <= windows; first += group) {
            double* out = scores + start + first;
            if (!plainChunk && !allBases(letters + start + first, group + windowLength - 1)) {
                scoreWithTable(table, text + start + first, group, out);
                collect(start + first, start + first + group);
                continue;
            }
            // Loops over the sums are unrolled, or the sums live in memory.
            using Vector = decltype(hn::Zero(d));
            Vector sums[sumsInFlight];
#pragma GCC unroll 16
            for (Vector& sum : sums)
                sum = hn::Zero(d);
            const std::uint64_t* at = laneIndices.data() + first;
            for (std::size_t column = 0; column < windowLength; ++column, ++at) {
                const double* terms = scorer.codeTerms() + column * stride;
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
                    return hn::BitCast(d, hn::IfThenElse(high, hn::TableLookupLanes(high32, within),
                                                         hn::TableLookupLanes(low32, within)));
                };
#endif
#pragma GCC unroll 16
                for (std::size_t vector = 0; vector < sumsInFlight; ++vector)
                    sums[vector] = hn::Add(sums[vector], pick(at + vector * lanes));
            }
#pragma GCC unroll 16
            for (std::size_t vector = 0; vector < sumsInFlight; ++vector)
                hn::StoreU(sums[vector], d, out + vector * lanes);
            if (test != nullptr) {
                const auto passesAt = [&](std::size_t vector) {
                    return lowerBetter ? hn::Lt(sums[vector], cut) : hn::Gt(sums[vector], cut);
                };
                auto passes = passesAt(0);
#pragma GCC unroll 16
                for (std::size_t vector = 1; vector < sumsInFlight; ++vector)
                    passes = hn::Or(passes, passesAt(vector));
                if (!hn::AllFalse(d, passes))
                    collect(start + first, start + first + group);
            }
        }
        // The few windows left over at the chunk's end.
        scoreWithTable(table, text + start + first, windows - first, scores + start + first);
        collect(start + first, start + windows);
    }
    return found;
}

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

// The passing windows found by rough sums: 16-bit lanes, four times as many
// a vector as doubles, each term looked up by one byte lookup. A window
// whose rough sum comes near enough to pass is scored in full by the table,
// so every window that passes is found, and given its exact score.
std::size_t passingWindows(const WindowScores& scorer, const char* text, std::size_t count, const CutoffTest& test,
                           double* scores, std::uint32_t* indices)
{
    std::int32_t threshold = 0;
    if (!scorer.roughThreshold(test, threshold))
        return scoreWindows(scorer, text, count, scores, &test, indices);
    const hn::ScalableTag<std::uint8_t> d8;
    const hn::Repartition<std::uint16_t, decltype(d8)> d16;
    const hn::RebindToSigned<decltype(d16)> di16;
    const std::size_t lanes = hn::Lanes(d16);
    const std::size_t group = sumsInFlight * lanes;
    const ScoreTable& table = scorer.table();
    const std::size_t windowLength = table.windowLength();
    const std::size_t stride = WindowScores::roughStride();
    const auto* letters = reinterpret_cast<const unsigned char*>(text);
    thread_local std::vector<std::uint16_t> pairs;
    pairs.resize(chunkWindows + windowLength);
    // Sums start from -2^15, so that they compare as signed numbers.
    const bool lowerBetter = test.lowerBetter;
    const auto bound = static_cast<std::int16_t>(lowerBetter ? threshold - 32767 : threshold - 32769);
    alignas(HWY_MAX_BYTES) std::int16_t roughSums[HWY_MAX_BYTES / sizeof(std::int16_t)];
    std::size_t found = 0;

    for (std::size_t start = 0; start < count; start += chunkWindows) {
        const std::size_t windows = std::min(chunkWindows, count - start);
        const std::size_t span = windows + windowLength - 1;
        toBytePairs(letters + start, span, pairs.data());
        const bool plainChunk = allBases(letters + start, span);
        std::size_t first = 0;
        for (; first + group <= windows; first += group) {
            const std::size_t offset = start + first;
            if (!plainChunk && !allBases(letters + offset, group + windowLength - 1)) {
                scoreWithTable(table, text + offset, group, scores + offset);
                found = passingFrom(offset, scores, offset + group, test, indices, found);
                continue;
            }
            using Vector = decltype(hn::Zero(d16));
            Vector sums[sumsInFlight];
#pragma GCC unroll 16
            for (Vector& sum : sums)
                sum = hn::Set(d16, std::uint16_t{0x8000});
            const std::uint16_t* at = pairs.data() + first;
            for (std::size_t column = 0; column < windowLength; ++column, ++at) {
                const auto terms = hn::LoadU(d8, scorer.roughTerms() + column * stride);
#pragma GCC unroll 16
                for (std::size_t vector = 0; vector < sumsInFlight; ++vector) {
                    const auto pair = hn::LoadU(d8, reinterpret_cast<const std::uint8_t*>(at + vector * lanes));
                    sums[vector] = hn::Add(sums[vector], hn::BitCast(d16, hn::TableLookupBytes(terms, pair)));
                }
            }
            const auto boundVector = hn::Set(di16, bound);
            const auto nearAt = [&](std::size_t vector) {
                const auto sum = hn::BitCast(di16, sums[vector]);
                return lowerBetter ? hn::Lt(sum, boundVector) : hn::Gt(sum, boundVector);
            };
            auto anyNear = nearAt(0);
#pragma GCC unroll 16
            for (std::size_t vector = 1; vector < sumsInFlight; ++vector)
                anyNear = hn::Or(anyNear, nearAt(vector));
            if (hn::AllFalse(di16, anyNear))
                continue;
            // Where many come near, as under a low cut-off, the group is
            // scored in full in vector registers instead, one at a time.
            std::size_t nearCount = 0;
            for (std::size_t vector = 0; vector < sumsInFlight; ++vector)
                nearCount += hn::CountTrue(di16, nearAt(vector));
            if (nearCount > fewNear) {
                const std::size_t passed =
                    scoreWindows(scorer, text + offset, group, scores + offset, &test, indices + found);
                for (std::size_t index = found; index < found + passed; ++index)
                    indices[index] += static_cast<std::uint32_t>(offset);
                found += passed;
                continue;
            }
            for (std::size_t vector = 0; vector < sumsInFlight; ++vector) {
                if (hn::AllFalse(di16, nearAt(vector)))
                    continue;
                hn::Store(hn::BitCast(di16, sums[vector]), di16, roughSums);
                for (std::size_t lane = 0; lane < lanes; ++lane) {
                    const std::size_t j = offset + vector * lanes + lane;
                    if (lowerBetter ? roughSums[lane] < bound : roughSums[lane] > bound) {
                        const double score = table.score(text + j);
                        if (passesCutoff(score, test.cutoff, lowerBetter)) {
                            scores[j] = score;
                            indices[found++] = static_cast<std::uint32_t>(j);
                        }
                    }
                }
            }
        }
        // The few windows left over at the chunk's end.
        scoreWithTable(table, text + start + first, windows - first, scores + start + first);
        found = passingFrom(start + first, scores, start + windows, test, indices, found);
    }
    return found;
}

#endif

extern const Kernels kernels = {&scoreWindows, &passingWindows, &reverseComplementBases};

} // namespace HWY_NAMESPACE
} // namespace varno_simd
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace varno_simd {

// A vector set compiled here, with the check that this processor has every
// feature its code was compiled for (the system's support for the wider
// registers included).
struct VectorPath {
    std::int64_t target;
    bool (*supported)();
    const Kernels* kernels;
};

// Best first. Without an entry of its own, a set is scored by the scalar path.
// Highway also compiles the wider sets for half-precision conversions (F16C),
// which not every compiler can check for; no kernel here converts a half, so
// none of those instructions is in their code.
static const VectorPath vectorPaths[] = {
#if HWY_ARCH_X86
    {HWY_AVX3,
     [] {
         return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl")
             && __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw")
             && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2")
             && __builtin_cpu_supports("fma") && __builtin_cpu_supports("aes") && __builtin_cpu_supports("pclmul");
     },
     HWY_CHOOSE_AVX3(kernels)},
    {HWY_AVX2,
     [] {
         return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2")
             && __builtin_cpu_supports("fma") && __builtin_cpu_supports("aes") && __builtin_cpu_supports("pclmul");
     },
     HWY_CHOOSE_AVX2(kernels)},
    {HWY_SSE4,
     [] {
         return __builtin_cpu_supports("sse4.2") && __builtin_cpu_supports("aes") && __builtin_cpu_supports("pclmul");
     },
     HWY_CHOOSE_SSE4(kernels)},
    {HWY_SSSE3, [] { return __builtin_cpu_supports("ssse3") != 0; }, HWY_CHOOSE_SSSE3(kernels)},
#endif
    {0, nullptr, nullptr}};

} // namespace varno_simd

namespace {

using varno_simd::VectorPath;
using varno_simd::vectorPaths;

// The vector sets this machine has and this build holds, best first.
std::vector<const VectorPath*> offeredPaths()
{
    __builtin_cpu_init();
    std::vector<const VectorPath*> offered;
    for (const VectorPath& path : vectorPaths)
        if (path.kernels != nullptr && path.supported())
            offered.push_back(&path);
    return offered;
}

const varno_simd::Kernels* chosenKernels = nullptr; // none: the scalar path
std::once_flag environmentRead;

bool sameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool choosePath(const std::string& name)
{
    if (sameName(name, "scalar")) {
        chosenKernels = nullptr;
        return true;
    }
    for (const VectorPath* path : offeredPaths()) {
        if (sameName(name, hwy::TargetName(path->target))) {
            chosenKernels = path->kernels;
            return true;
        }
    }
    return false;
}

// The best set unless the environment names another. One named there that
// this machine lacks is passed over here, the best one it has scoring the
// same; a run refuses such a name first (vectorSetChoiceError).
void readEnvironment()
{
    std::call_once(environmentRead, [] {
        const std::vector<const VectorPath*> offered = offeredPaths();
        if (!offered.empty())
            chosenKernels = offered.front()->kernels;
        if (const char* name = std::getenv("VARNO_SIMD"))
            choosePath(name);
    });
}

} // namespace

WindowScores::WindowScores(const ScoreTable& table) : table_(table)
{
    const std::size_t stride = columnStride();
    codeTerms_.resize(table.windowLength() * stride);
    for (std::uint32_t column = 0; column < table.windowLength(); ++column)
        for (std::size_t lane = 0; lane < stride; ++lane)
            codeTerms_[column * stride + lane] = table.term(column, static_cast<unsigned char>(codeLetters[lane % 4]));

    const std::uint32_t length = table.windowLength();
    roughTerms_.resize(length * roughStride());
    std::vector<double> least(length);
    double ranges = 0.0;
    roughUsable_ = length > 0 && length <= maximumRoughLength;
    for (std::uint32_t column = 0; column < length; ++column) {
        const double* terms = &codeTerms_[column * stride];
        least[column] = std::min({terms[0], terms[1], terms[2], terms[3]});
        const double most = std::max({terms[0], terms[1], terms[2], terms[3]});
        roughUsable_ = roughUsable_ && std::isfinite(least[column]) && std::isfinite(most);
        ranges += most - least[column];
        roughBase_ += least[column];
        roughLargest_ += std::max(std::fabs(least[column]), std::fabs(most));
    }
    roughUsable_ = roughUsable_ && std::isfinite(ranges) && std::isfinite(roughLargest_);
    if (!roughUsable_)
        return;
    roughScale_ = ranges > 0.0 ? roughSumSpan / ranges : 1.0;
    for (std::uint32_t column = 0; column < length; ++column) {
        std::uint8_t* bytes = &roughTerms_[column * roughStride()];
        std::int32_t most = 0;
        for (std::size_t lane = 0; lane < 4; ++lane) {
            const auto rough = static_cast<std::int32_t>(
                std::llround((codeTerms_[column * stride + lane] - least[column]) * roughScale_));
            most = std::max(most, rough);
            bytes[2 * lane] = static_cast<std::uint8_t>(rough & 0xFF);
            bytes[2 * lane + 1] = static_cast<std::uint8_t>(rough >> 8);
        }
        roughMost_ += most;
        for (std::size_t at = 8; at < roughStride(); ++at)
            bytes[at] = bytes[at % 8];
    }
}

bool WindowScores::roughThreshold(const CutoffTest& test, std::int32_t& threshold) const
{
    if (!roughUsable_)
        return false;
    // A rough sum is the scale times (score - base) up to half a unit a term
    // for the rounding of the rough terms, and what the score's own roundings
    // (at most 2^-53 of the largest sum, L + 1 times) can move it, taken 16
    // times over; two units more cover the rounding of this reckoning.
    const double length = table_.windowLength();
    const double roundings =
        16.0 * (length + 2) * 0x1p-53 * (roughLargest_ + std::fabs(test.cutoff) + std::fabs(roughBase_));
    const double slack = 0.5 * length + 2.0 + roughScale_ * roundings;
    const double middle = roughScale_ * (test.cutoff - roughBase_);
    if (test.lowerBetter) {
        const double most = std::ceil(middle + slack);
        if (!(most < roughMost_)) // every window, or not a number
            return false;
        threshold = static_cast<std::int32_t>(std::max(most, -1.0));
    } else {
        const double least = std::floor(middle - slack);
        if (!(least > 0.0))
            return false;
        threshold = static_cast<std::int32_t>(std::min(least, static_cast<double>(roughMost_) + 1.0));
    }
    return true;
}

std::size_t WindowScores::columnStride()
{
    return widestVector / sizeof(double);
}

std::size_t WindowScores::roughStride()
{
    return widestVector;
}

void WindowScores::score(const char* letters, std::size_t count, double* scores) const
{
    readEnvironment();
    if (chosenKernels == nullptr)
        scoreWithTable(table_, letters, count, scores);
    else
        chosenKernels->scoreWindows(*this, letters, count, scores, nullptr, nullptr);
}

std::size_t WindowScores::scorePassing(const char* letters, std::size_t count, const CutoffTest& test, double* scores,
                                       std::uint32_t* indices) const
{
    readEnvironment();
    if (chosenKernels != nullptr)
        return chosenKernels->passingWindows(*this, letters, count, test, scores, indices);
    scoreWithTable(table_, letters, count, scores);
    return passingFrom(0, scores, count, test, indices, 0);
}

std::string scoringPath()
{
    readEnvironment();
    for (const VectorPath& path : vectorPaths)
        if (path.kernels != nullptr && path.kernels == chosenKernels)
            return hwy::TargetName(path.target);
    return "scalar";
}

std::vector<std::string> scoringPaths()
{
    readEnvironment();
    std::vector<std::string> paths = {"scalar"};
    for (const VectorPath* path : offeredPaths())
        paths.emplace_back(hwy::TargetName(path->target));
    return paths;
}

std::string vectorSetChoiceError()
{
    const char* name = std::getenv("VARNO_SIMD");
    if (name == nullptr || *name == '\0')
        return std::string();
    std::string accepted;
    for (const std::string& path : scoringPaths()) {
        if (sameName(name, path))
            return std::string();
        accepted += (accepted.empty() ? "" : ", ") + path;
    }
    return "ERROR: VARNO_SIMD=" + std::string(name) + " names no instruction set this machine offers; it takes "
         + accepted + " (in any case), or leave it unset for the best.";
}

bool reverseComplementBases(const char* last, std::size_t count, char* to)
{
    readEnvironment();
    if (chosenKernels == nullptr)
        return reverseComplementFrom(0, last, count, to);
    return chosenKernels->reverseComplementBases(last, count, to);
}

bool chooseScoringPath(const std::string& name)
{
    readEnvironment();
    return choosePath(name);
}

#endif
