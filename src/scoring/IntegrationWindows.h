#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "results/Hit.h"

class Options;
class Sequence;
class SiteCollection;

// A buffered window of the run's own scan: its score and where its letters
// start in the strand text, which stays in place for the whole pass, so a
// window's letters are copied only when it is reported.
struct WindowSlot {
    double score = 0.0;
    std::size_t textOffset = 0;
    std::uint32_t position = 0;
};

// The buffer of neighbouring windows around the evaluated (centre) window of
// the strand being scanned, with running means over three intervals of it.
class IntegrationWindows {
public:
    std::deque<Hit> windowHits;        // oldest first; index i is i - centreIndex windows from the centre
    // Counts are 64-bit: the widest span the options allow, W = 2^32 + 1, must not overflow.
    std::int64_t windowCount = 0;      // W
    // Buffer indices; a valid geometry keeps each of them in 0 .. W - 1.
    std::uint32_t upFirstIndex = 0;
    std::uint32_t upLastIndex = 0;
    std::uint32_t downFirstIndex = 0;
    std::uint32_t downLastIndex = 0;
    std::uint32_t centreIndex = 0;     // (W - 1) / 2
    std::int64_t upCount = 0;
    std::int64_t downCount = 0;
    double globalMean = 0.0;           // running mean over the strand scan: score / length of the extended text
    double localMean = 0.0;
    double upMean = 0.0;
    double downMean = 0.0;
    // The run's buffer, the same windows as windowHits would hold: a ring of
    // windowCount slots in which buffer index i is slot (oldestSlot + i) mod windowCount.
    std::vector<WindowSlot> slots;
    std::size_t oldestSlot = 0;
};

// Validates the four interval offsets (reportError on failure) and sets the geometry.
void buildIntegrationWindows(const Options& options, IntegrationWindows& windows);
// Fills the buffer with the W windows around the origin of the sequence's
// current strand, extended for the scan, and sets the interval means. A
// strand too short for the span leaves the buffer empty.
void primeIntegrationWindows(const Sequence& sequence, IntegrationWindows& windows, SiteCollection& collection,
                             const Options& options);
// Stamps the three means on the buffered centre window and copies it out.
// This and the slide throw std::out_of_range on a buffer that was not primed.
void takeCentreHit(IntegrationWindows& windows, Hit& centre);
// Moves the buffer one window on, with `newest` entering it; the means are
// updated from the leaving and entering windows only.
void slideIntegrationWindows(IntegrationWindows& windows, const Hit& newest, const Sequence& sequence);
// Releases the buffered windows of both kinds.
void clearWindowHits(IntegrationWindows& windows);

// The ring counterparts of priming, centre and slide, for the run's scan:
// the same windows, scores and means to the last bit. Priming takes the
// length and strand of the extended strand text and the score of the window
// at a text offset; it leaves the ring empty where primeIntegrationWindows
// leaves the buffer empty, and the other two then throw std::out_of_range.
void primeWindowSlots(IntegrationWindows& windows, std::size_t textLength, bool forward, std::uint32_t siteLength,
                      const std::function<double(std::size_t)>& scoreAt);
const WindowSlot& centreSlot(const IntegrationWindows& windows);
// `textLength` is the length of the extended strand text.
void slideWindowSlots(IntegrationWindows& windows, const WindowSlot& newest, std::size_t textLength);
// A kept score times the ratio of means chosen by integrationMode: the
// upstream mean over the global mean (1), the local mean (2) or the
// downstream mean (3); inverted when both means are negative. No guard
// against a zero mean.
double integratedScore(double score, double localMean, double upMean, double downMean, double globalMean,
                       std::int32_t integrationMode);
// Multiplies the score of every kept hit by the ratio of means chosen by integrationMode.
void applyIntegrationRatio(Sequence& sequence, const Options& options);
