#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sequences/Gene.h"

class Options;
class Sequence;

// Labels every hit of the sequence against its nearest gene. A hit inside a
// gene is placed against it only when its offset from the gene's start is
// smaller than `scannedLength`, the length of the text the hits were found in.
void assignGeneContext(Sequence& sequence, const Options& options, std::size_t scannedLength);

// The nearest gene to a position, as a walk from the first gene finds it: a
// gene becomes the best when its start is not after the best's or it lies
// nearer, and the walk stops once a gene lies farther than the best. The
// finder gets there without stepping through every gene before the position:
// while the best gene starts at or before the position, each following gene
// that does too becomes the best in turn and none ends the walk, so a run of
// them is skipped at once. That holds while no distance wraps, so with a
// position or gene start past 2^31 it walks.
class NearestGeneFinder {
public:
    // A gene's coordinates and strand, kept apart from its strings so that a
    // walk reads a few bytes per gene.
    struct Place {
        std::uint32_t start;
        std::uint32_t end;
        bool forward;
    };

    explicit NearestGeneFinder(const std::vector<Gene>& genes);
    // The nearest gene's index (genes must not be empty); sets
    // `nearestDistance` to its signed distance.
    std::size_t find(std::uint32_t position, std::int32_t& nearestDistance) const;
    // The places of the genes given, in their order.
    const std::vector<Place>& places() const { return places_; }

private:
    // The first index from `index` on whose gene starts after the position (or places_.size()).
    std::size_t firstStartAfter(std::size_t index, std::uint32_t position) const;

    std::vector<Place> places_;
    bool canSkip_ = true; // every start below 2^31
    // Level k holds, for each index i, the largest start among genes i .. i + 2^k - 1.
    std::vector<std::vector<std::uint32_t>> largestStarts_;
};
