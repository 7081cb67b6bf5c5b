#pragma once

#include <cstdint>
#include <deque>

#include "results/Hit.h"

class Options;
class Sequence;
class SiteCollection;

// The buffer of neighbouring windows around the evaluated (centre) window of
// the strand being scanned, with running means over three intervals of it.
class IntegrationWindows {
public:
    std::deque<Hit> windowHits;        // oldest first; index i is i - centreIndex windows from the centre
    std::int32_t windowCount = 0;      // W
    std::uint32_t upFirstIndex = 0;
    std::uint32_t upLastIndex = 0;
    std::uint32_t downFirstIndex = 0;
    std::uint32_t downLastIndex = 0;
    std::uint32_t centreIndex = 0;     // (W - 1) / 2
    std::int32_t upCount = 0;
    std::int32_t downCount = 0;
    double globalMean = 0.0;
    double localMean = 0.0;
    double upMean = 0.0;
    double downMean = 0.0;
};

// Validates the four interval offsets (reportError on failure) and sets the geometry.
void buildIntegrationWindows(const Options& options, IntegrationWindows& windows);
void primeIntegrationWindows(const Sequence& sequence, IntegrationWindows& windows, SiteCollection& collection,
                             const Options& options);
void takeCentreHit(IntegrationWindows& windows, Hit& centre);
void slideIntegrationWindows(IntegrationWindows& windows, const Hit& newest, const Sequence& sequence);
void clearWindowHits(IntegrationWindows& windows);
void applyIntegrationRatio(Sequence& sequence, const Options& options);
