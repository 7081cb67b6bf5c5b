// What both window kernels do per instruction set: the chunk loop, the test
// for plain bases, and the exact kernel the rough one hands groups to.
// Included inside each kernel file's foreach_target passes (no include guard
// of its own: Highway's toggle lets each pass compile it once).
#if defined(VARNO_SCORING_WINDOW_CHUNKS_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef VARNO_SCORING_WINDOW_CHUNKS_INL_H_
#undef VARNO_SCORING_WINDOW_CHUNKS_INL_H_
#else
#define VARNO_SCORING_WINDOW_CHUNKS_INL_H_
#endif

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "scoring/ExactKernel.h"
#include "scoring/ScoreTable.h"
#include "scoring/WindowScores.h"

// Highway's scalar pass is never chosen: the scalar path is the table's own.
#if HWY_TARGET != HWY_SCALAR

HWY_BEFORE_NAMESPACE();
namespace varno_simd {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Windows whose letters are turned into lane indices at a time: the indices
// (8 bytes a letter) stay in the first-level cache while every column reads them.
constexpr std::size_t chunkWindows = 2048;

// Independent sums in flight per column, enough to keep the lookups busy
// through the latency of the additions.
constexpr std::size_t sumsInFlight = 8;

// Whether all `count` letters are A, C, G or T.
HWY_INLINE bool allBases(const unsigned char* letters, std::size_t count)
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
        if (letters[at] != 'A' && letters[at] != 'C' && letters[at] != 'G' && letters[at] != 'T')
            return false;
    return true;
}

// The exact kernel (ExactKernel.cpp): scoreExactly on this set.
std::size_t exactScores(const WindowScores& scorer, const char* text, std::size_t count, double* scores,
                        const CutoffTest* test, std::uint32_t* indices);

// The loop of both kernels over `count` windows from `text` on: chunk by
// chunk, the chunk's letters are prepared for the groups' lookups, and each
// group of Groups::windows windows is scored by groups.score when its letters
// are all plain bases, else by the table, as are the few windows left over at
// a chunk's end. With a test, returns how many windows pass, their indices
// written in order. The group's scoring, a member of a class of each
// kernel's, is inlined into this loop, so that its vectors stay in
// registers: one loop for both costs no speed (a lambda spilled them).
template <class Groups>
HWY_INLINE std::size_t scoreInChunks(Groups& groups, const ScoreTable& table, const char* text, std::size_t count,
                                     const CutoffTest* test, double* scores, std::uint32_t* indices)
{
    const std::size_t windowLength = table.windowLength();
    const std::size_t group = groups.windows();
    const auto* letters = reinterpret_cast<const unsigned char*>(text);
    std::size_t found = 0;
    for (std::size_t start = 0; start < count; start += chunkWindows) {
        const std::size_t windows = std::min(chunkWindows, count - start);
        const std::size_t span = windows + windowLength - 1;
        groups.prepare(letters + start, span);
        const bool plainChunk = allBases(letters + start, span);
        std::size_t first = 0;
        for (; first + group <= windows; first += group) {
            const std::size_t offset = start + first;
            if (!plainChunk && !allBases(letters + offset, group + windowLength - 1)) {
                scoreWithTable(table, text + offset, group, scores + offset);
                if (test != nullptr)
                    found = passingFrom(offset, scores, offset + group, *test, indices, found);
                continue;
            }
            found = groups.score(offset, first, found);
        }
        scoreWithTable(table, text + start + first, windows - first, scores + start + first);
        if (test != nullptr)
            found = passingFrom(start + first, scores, start + windows, *test, indices, found);
    }
    return found;
}

} // namespace HWY_NAMESPACE
} // namespace varno_simd
HWY_AFTER_NAMESPACE();

#endif
#endif
