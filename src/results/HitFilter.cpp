#include "results/HitFilter.h"

#include <algorithm>
#include <cmath>

#include "options/Options.h"
#include "results/Hit.h"
#include "sequences/Sequence.h"

namespace {

// Strict in both senses, so neither an equal score nor a NaN ever passes.
bool passesCutoff(double score, const Options& options)
{
    if (lowerIsBetter(options.methodCode))
        return options.cutoff > score;
    return options.cutoff < score;
}

bool isBetter(double candidate, double stored, std::int32_t methodCode)
{
    if (lowerIsBetter(methodCode))
        return candidate < stored;
    return candidate > stored;
}

// Best first in the method's score sense; NaN goes after every number, which
// keeps the comparison a strict weak ordering.
bool scoresBefore(double a, double b, bool lowerBetter)
{
    if (std::isnan(a))
        return false;
    if (std::isnan(b))
        return true;
    return lowerBetter ? a < b : a > b;
}

} // namespace

void considerHit(const Hit& candidate, const Options& options, Sequence& sequence)
{
    if (!passesCutoff(candidate.score, options))
        return;
    if (options.mergeStrandPairs && findStrandPartner(sequence, candidate, options) != -1)
        return;
    sequence.hits.push_back(candidate);
}

int findStrandPartner(Sequence& sequence, const Hit& candidate, const Options& options)
{
    // Only the true twin covers the same letters: a reverse window at p is the
    // forward window at p - windowLength. Unsigned arithmetic wraps on purpose.
    const std::uint32_t twinPosition = candidate.forward
        ? static_cast<std::uint32_t>(candidate.position + candidate.windowLength)
        : static_cast<std::uint32_t>(candidate.position - candidate.windowLength);
    for (sequence.hitCursor = 0; sequence.hitCursor < sequence.hits.size(); ++sequence.hitCursor) {
        Hit& stored = sequence.hits[sequence.hitCursor];
        if (stored.forward == candidate.forward || stored.position != twinPosition)
            continue;
        if (!isBetter(candidate.score, stored.score, options.methodCode))
            return 0;
        stored = candidate;
        return 1;
    }
    return -1;
}

void sortHits(Sequence& sequence, const Options& options)
{
    // The plain introsort with the plain comparisons: the order among equal
    // keys is whatever that gives, the same on every run of the same input.
    if (options.sortByScore) {
        const bool lowerBetter = lowerIsBetter(options.methodCode);
        std::sort(sequence.hits.begin(), sequence.hits.end(), [lowerBetter](const Hit& a, const Hit& b) {
            return scoresBefore(a.score, b.score, lowerBetter);
        });
    } else {
        std::sort(sequence.hits.begin(), sequence.hits.end(),
                         [](const Hit& a, const Hit& b) { return a.position < b.position; });
    }
}
