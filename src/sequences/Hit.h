#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "base/FreshMemory.h"

// Where a hit lies against its sequence's genes.
enum class HitContext : std::uint8_t { Unknown, Intergenic, Operator, Intragenic };

// The context as every output names it.
inline const char* contextName(HitContext context)
{
    switch (context) {
    case HitContext::Intergenic: return "Intergenic";
    case HitContext::Operator: return "Operator";
    case HitContext::Intragenic: return "Intragenic";
    case HitContext::Unknown: break;
    }
    return "Unknown";
}

// The integration means around a kept window; all 0 without integration.
struct WindowMeans {
    double local = 0.0;
    double up = 0.0;
    double down = 0.0;
};

// One kept window of a sequence, with its gene context. Its integration
// means and its significance, which only some runs have, are its
// sequence's (Sequence::meansOf, Sequence::significanceOf); its gene's
// coordinates are the gene's own. A hit carries no
// text: it names its gene by index into its sequence's genes, and its letters
// are the sequence's at its place (appendWindowLetters); a run may keep
// millions of hits, and each writer looks the texts up as it writes.
class Hit {
public:
    explicit Hit(std::uint32_t windowLength = 0) : windowLength(windowLength) {}

    // The fields lie without padding between them: a run may keep millions of hits.
    std::uint32_t position = 0; // 0-based; reverse strand: leftmost letter on the given strand + windowLength
    std::uint32_t windowLength; // the collection's siteLength
    double score = 0.0;
    std::int32_t distance = 0; // signed distance to the chosen gene
    // The chosen gene: an index into the sequence's genes, noGene when none
    // was chosen (a sequence without genes).
    static constexpr std::uint32_t noGene = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t geneIndex = noGene;
    bool forward = false; // true on the strand as read
    HitContext context = HitContext::Unknown;
};

// A sequence's hits: a run may keep millions, in large pages.
using HitList = std::vector<Hit, LargePageAllocator<Hit>>;

// The significance of a kept window's own score against random windows, when
// a run asks for it: NaN where it cannot be computed. Under integration the
// kept score is rescaled, and ownScore is the window's own.
struct WindowSignificance {
    double ownScore = std::numeric_limits<double>::quiet_NaN();
    double pValue = std::numeric_limits<double>::quiet_NaN();
    double eValue = std::numeric_limits<double>::quiet_NaN();
    double qValue = std::numeric_limits<double>::quiet_NaN();
    bool pValueIsBound = false; // the window beats every A/C/G/T window: p is the best one's
};

// The 0-based index, on the sequence as read (S letters), of the hit's
// leftmost letter. A forward hit's position is that letter; a reverse hit's
// is that letter plus the window's length, below the length itself for a
// window across the origin. The scan keeps no window longer than its
// sequence, and no hit of an empty one.
inline std::uint64_t leftmostLetter(const Hit& hit, std::uint64_t sequenceLength)
{
    if (sequenceLength == 0)
        return hit.position;
    const std::uint64_t position = hit.position % sequenceLength;
    return hit.forward ? position : (position + sequenceLength - hit.windowLength % sequenceLength) % sequenceLength;
}
