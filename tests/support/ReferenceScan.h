#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "options/Options.h"
#include "scoring/IntegrationWindows.h"
#include "scoring/ScoreSense.h"
#include "sequences/Hit.h"
#include "sequences/Sequence.h"

class SiteCollection;

// The scan of a sequence written as plainly as its rules read, for the
// differential tests of the program's fast paths: each strand's extended text
// built whole, every window scored letter by letter, the integration buffer
// as a list, the cut-off, the twin merge by a walk over the kept hits, the
// ratio of means and a stable sort.
namespace reference {

// 0.0 plus each letter's term, in window order.
double score(std::int32_t method, const std::string& window, const Sequence& sequence,
             const SiteCollection& collection);

// A window the reference keeps: a hit with its integration means.
struct KeptWindow : Hit {
    using Hit::Hit;
    WindowMeans means;
};

// Keeps a candidate that passes the cut-off; with mergeStrandPairs, the first
// kept hit on the other strand over the same letters is replaced by a
// strictly better candidate, and the candidate dropped otherwise.
template <typename Record>
void keep(std::vector<Record>& kept, const Record& candidate, const Options& options)
{
    const ScoreSense sense = ScoreSense::ofMethod(options.methodCode);
    if (!sense.passes(candidate.score, options.cutoff))
        return;
    if (options.mergeStrandPairs) {
        const std::uint32_t twin = candidate.forward ? candidate.position + candidate.windowLength
                                                     : candidate.position - candidate.windowLength;
        for (Record& stored : kept) {
            if (stored.forward == candidate.forward || stored.position != twin)
                continue;
            if (sense.better(candidate.score, stored.score))
                stored = candidate;
            return;
        }
    }
    kept.push_back(candidate);
}

// The letters of a hit of the scan above, from its strand's text.
std::string windowLetters(const Sequence& sequence, const Hit& hit);

struct Scan {
    std::vector<KeptWindow> kept; // in scan order: forward pass, then reverse pass
    double globalMean = 0.0;      // the reverse pass's, under integration
    std::size_t textLength = 0;
};

// Both strand passes; `geometry` is built from the options.
Scan scan(const Sequence& sequence, const SiteCollection& collection, const Options& options,
          const IntegrationWindows& geometry);

// The kept hits as the run stores them: rescaled under integration, then
// sorted by position, or best score first with NaN last; ties keep their order.
std::vector<KeptWindow> sorted(std::vector<KeptWindow> kept, double globalMean, const Options& options);

} // namespace reference
