#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class Options;

// A buffered window of a strand's scan: its score, where its letters start in
// the strand's text, and the position it is reported at; a window's letters
// are copied only when it is kept.
struct WindowSlot {
    double score = 0.0;
    std::size_t textOffset = 0;
    std::uint32_t position = 0;
};

// The buffer of neighbouring windows around the evaluated (centre) window of
// the strand being scanned, with running means over three intervals of it.
// Buffer index i, oldest first, is i - centreIndex windows from the centre.
class IntegrationWindows {
public:
    // Counts are 64-bit: the widest span the options allow, W = 2^32 + 1, must not overflow.
    std::int64_t windowCount = 0; // W
    // Buffer indices; a valid geometry keeps each of them in 0 .. W - 1.
    std::uint32_t upFirstIndex = 0;
    std::uint32_t upLastIndex = 0;
    std::uint32_t downFirstIndex = 0;
    std::uint32_t downLastIndex = 0;
    std::uint32_t centreIndex = 0; // (W - 1) / 2
    std::int64_t upCount = 0;
    std::int64_t downCount = 0;
    double globalMean = 0.0; // running mean over the strand scan: score / length of the extended text
    double localMean = 0.0;
    double upMean = 0.0;
    double downMean = 0.0;
    // The buffer: a ring of windowCount slots in which buffer index i is slot
    // (oldestSlot + i) mod windowCount.
    std::vector<WindowSlot> slots;
    std::size_t oldestSlot = 0;
};

// Validates the four interval offsets (reportError on failure) and sets the geometry.
void buildIntegrationWindows(const Options& options, IntegrationWindows& windows);

// Fills the ring with the W windows around the origin of a strand's text of
// `textLength` letters (extended for the scan), as on a circular molecule:
// the centre's reach of windows before the origin, then those from it on;
// `scoreAt` gives the score of the window at a text offset. Sets the interval
// means, summed in buffer order, and zeroes the global mean. A strand too
// short for the span leaves the ring empty, and the two below then throw
// std::out_of_range.
void primeWindowSlots(IntegrationWindows& windows, std::size_t textLength, bool forward, std::uint32_t siteLength,
                      const std::function<double(std::size_t)>& scoreAt);
// The buffered centre window.
const WindowSlot& centreSlot(const IntegrationWindows& windows);
// Moves the ring one window on, with `newest` entering it; the means are
// updated from the leaving and entering windows only. `textLength` is the
// length of the extended strand text.
void slideWindowSlots(IntegrationWindows& windows, const WindowSlot& newest, std::size_t textLength);
// A kept score times the ratio of means chosen by integrationMode: the
// upstream mean over the global mean (1), the local mean (2) or the
// downstream mean (3); inverted when both means are negative. No guard
// against a zero mean.
double integratedScore(double score, double localMean, double upMean, double downMean, double globalMean,
                       std::int32_t integrationMode);
