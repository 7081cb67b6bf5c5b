#include "results/GeneContext.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "options/Options.h"
#include "sequences/Gene.h"
#include "sequences/Hit.h"
#include "sequences/Sequence.h"

namespace {

// Up to here the distance between a position and a gene start never wraps.
constexpr std::uint32_t largestUnwrappedValue = 2147483647u;

// Two's-complement reading of a 32-bit pattern, spelled out so that no
// out-of-range conversion is involved.
std::int32_t wrapToSigned(std::uint32_t value)
{
    if (value <= 2147483647u)
        return static_cast<std::int32_t>(value);
    return static_cast<std::int32_t>(value - 2147483648u) - 2147483647 - 1;
}

using Place = NearestGeneFinder::Place;

// Positive when the position lies upstream of the gene's start on the gene's
// own strand. Hit positions and gene coordinates are compared as stored.
std::int32_t signedDistance(const Place& gene, std::uint32_t position)
{
    return wrapToSigned(gene.forward ? gene.start - position : position - gene.start);
}

// |value| in 64 bits, where the 32-bit minimum has a magnitude too.
std::int64_t magnitude(std::int32_t value)
{
    return std::llabs(value);
}

std::int32_t negated(std::int32_t value)
{
    return wrapToSigned(0u - static_cast<std::uint32_t>(value));
}

bool containsPosition(const Place& gene, std::uint32_t position)
{
    if (gene.forward)
        return gene.start < position && position < gene.end;
    return gene.end < position && position < gene.start;
}

void chooseGene(std::size_t index, Hit& hit)
{
    hit.geneIndex = static_cast<std::uint32_t>(index);
}

void markUnannotated(Hit& hit)
{
    hit.context = HitContext::Unknown;
    hit.geneIndex = Hit::noGene;
}

// One step of the nearest-gene walk at `index`: false when it ends the walk.
bool walkStep(const std::vector<Place>& genes, std::uint32_t position, std::size_t index, std::size_t& best,
              std::int32_t& nearestDistance)
{
    const std::int32_t distance = signedDistance(genes[index], position);
    if (genes[index].start <= genes[best].start || magnitude(distance) < magnitude(nearestDistance)) {
        best = index;
        nearestDistance = distance;
    }
    return magnitude(distance) <= magnitude(nearestDistance);
}

// The nearest-gene walk, gene by gene.
std::size_t walkFromTheFirst(const std::vector<Place>& genes, std::uint32_t position, std::int32_t& nearestDistance)
{
    // The first gene always becomes the best, whatever its distance.
    std::size_t best = 0;
    nearestDistance = signedDistance(genes[0], position);
    for (std::size_t index = 1; index < genes.size(); ++index) {
        if (!walkStep(genes, position, index, best, nearestDistance))
            break;
    }
    return best;
}

void annotateHit(Hit& hit, const std::vector<Gene>& genes, const NearestGeneFinder& finder, std::int32_t basesLength,
                 const Options& options)
{
    const std::uint32_t position = hit.position;
    std::int32_t nearestDistance = 0;
    const std::size_t nearest = finder.find(position, nearestDistance);

    // The hit is placed against the nearest gene unless it lies in one of the
    // genes around it.
    std::size_t chosen = nearest;
    std::int32_t chosenDistance = nearestDistance;
    HitContext context = HitContext::Intergenic;
    // 64-bit, so that no stored option value can overflow the test.
    const std::int64_t distance = nearestDistance;
    if (distance < std::int64_t{options.operatorUpstream} && distance > -std::int64_t{options.operatorDownstream}) {
        context = HitContext::Operator;
    } else {
        // A hit inside a gene can only lie in one of the genes around the nearest.
        const std::size_t first = nearest == 0 ? 0 : nearest - 1;
        const std::size_t last = std::min(first + 3, genes.size());
        std::int32_t containedOffset = basesLength;
        for (std::size_t index = first; index < last; ++index) {
            const Place& gene = finder.places()[index];
            if (!containsPosition(gene, position))
                continue;
            const std::int32_t offset = signedDistance(gene, position);
            if (magnitude(offset) < magnitude(containedOffset)) {
                containedOffset = offset;
                chosen = index;
                chosenDistance = offset;
                context = HitContext::Intragenic;
            }
        }
    }
    chooseGene(chosen, hit);
    hit.distance = negated(chosenDistance);
    hit.context = context;
}

} // namespace

NearestGeneFinder::NearestGeneFinder(const std::vector<Gene>& genes)
{
    std::vector<std::uint32_t> starts;
    starts.reserve(genes.size());
    places_.reserve(genes.size());
    for (const Gene& gene : genes) {
        canSkip_ = canSkip_ && gene.start <= largestUnwrappedValue;
        starts.push_back(gene.start);
        places_.push_back({gene.start, gene.end, gene.forward});
    }
    if (!canSkip_ || starts.empty())
        return;
    largestStarts_.push_back(std::move(starts));
    for (std::size_t span = 1; 2 * span <= genes.size(); span *= 2) {
        const std::vector<std::uint32_t>& halves = largestStarts_.back();
        std::vector<std::uint32_t> level(halves.size() - span);
        for (std::size_t index = 0; index < level.size(); ++index)
            level[index] = std::max(halves[index], halves[index + span]);
        largestStarts_.push_back(std::move(level));
    }
}

std::size_t NearestGeneFinder::firstStartAfter(std::size_t index, std::uint32_t position) const
{
    // The longest run of starts at or before the position, taken in
    // power-of-two steps from the largest down.
    for (std::size_t level = largestStarts_.size(); level-- > 0;) {
        const std::vector<std::uint32_t>& largest = largestStarts_[level];
        if (index < largest.size() && largest[index] <= position)
            index += std::size_t{1} << level;
    }
    return index;
}

std::size_t NearestGeneFinder::find(std::uint32_t position, std::int32_t& nearestDistance) const
{
    if (!canSkip_ || position > largestUnwrappedValue)
        return walkFromTheFirst(places_, position, nearestDistance);
    // Without wrapping a distance is |start - position| on either strand, and
    // a gene starting at or before the position starts at or before a best
    // that starts after it, or lies nearer than a best that does not: the walk
    // makes it the best and goes on. A run of such genes ends with its last as the best.
    std::size_t best = 0;
    nearestDistance = signedDistance(places_[0], position);
    std::size_t index = 1;
    while (index < places_.size()) {
        if (places_[index].start <= position) {
            const std::size_t after = firstStartAfter(index, position);
            best = after - 1;
            nearestDistance = signedDistance(places_[best], position);
            index = after;
            continue;
        }
        if (!walkStep(places_, position, index, best, nearestDistance))
            break;
        ++index;
    }
    return best;
}

void assignGeneContext(Sequence& sequence, const Options& options, std::size_t scannedLength)
{
    // A GenBank record without CDS features has nothing to relate hits to.
    const bool annotated = sequence.sourceFormat == 'G' && !sequence.genes.empty();
    const std::int32_t basesLength = wrapToSigned(static_cast<std::uint32_t>(scannedLength));
    const NearestGeneFinder finder(sequence.genes);
    for (Hit& hit : sequence.hits) {
        if (annotated)
            annotateHit(hit, sequence.genes, finder, basesLength, options);
        else
            markUnannotated(hit);
    }
}
