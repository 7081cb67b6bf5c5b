// The strand scan of a Sequence: circular extension, window extraction,
// reverse complement and the capacity of the hit list.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "results/HitFilter.h"
#include "scoring/IntegrationWindows.h"
#include "scoring/ScoreTable.h"
#include "sequences/Sequence.h"

namespace {

// A very unspecific motif on a long sequence would ask for up to 4 hits per
// letter; the list still grows past this when the hits really come.
constexpr double maximumReservedHits = 1000000.0;

std::array<char, 256> makeComplementTable()
{
    std::array<char, 256> table{};
    for (int byte = 0; byte < 256; ++byte)
        table[byte] = static_cast<char>(byte); // unknown bytes keep their place unchanged
    const char* from = "ACGTBDHVKMRYSWNXU";
    const char* to = "TGCAVHDBMKYRSWXNA"; // U stands for T, so it pairs with A
    for (int i = 0; from[i] != '\0'; ++i)
        table[static_cast<unsigned char>(from[i])] = to[i];
    return table;
}

const std::array<char, 256> complementTable = makeComplementTable();

// Calls visit(offset, score) for the windows starting at text offsets
// start .. end - 1, in order; `end` + windowLength must not pass the text.
template <typename Visit>
void scoreWindows(const ScoreTable& table, const char* text, std::size_t start, std::size_t end, Visit visit)
{
    constexpr std::size_t blockLength = ScoreTable::blockLength;
    double scores[blockLength];
    std::size_t offset = start;
    for (; offset + blockLength <= end; offset += blockLength) {
        table.scoreBlock(text + offset, scores);
        for (std::size_t j = 0; j < blockLength; ++j)
            visit(offset + j, scores[j]);
    }
    for (; offset < end; ++offset)
        visit(offset, table.score(text + offset));
}

} // namespace

void Sequence::reserveHits(const SiteCollection& collection)
{
    // ln 2 and log10 2 are held in single precision on purpose: the estimate
    // is 4 * S / 2^RE up to that precision.
    const double ln2 = static_cast<double>(0.693147180559945309f);
    const double log10Of2 = static_cast<double>(0.301029995663981195f);
    const double length = static_cast<double>(bases.size());
    const double expected = 4.0 * std::exp(ln2 * (std::log10(length) / log10Of2 - collection.relativeEntropy));
    if (!(expected >= 1.0)) // also NaN
        return;
    const std::size_t wanted = static_cast<std::size_t>(std::min(expected, maximumReservedHits));
    if (hits.capacity() < wanted)
        hits.reserve(wanted);
}

void Sequence::extendForScan(bool useIntegration, std::uint32_t windowLength, std::int64_t windowCount)
{
    std::size_t extension = windowLength;
    if (useIntegration)
        extension += static_cast<std::size_t>((windowCount - 1) / 2);
    if (forward) {
        bases.append(bases, 0, extension);
        return;
    }
    // The first letters are the complement of those appended before the
    // forward pass: drop them, and the text is the plain reverse complement.
    bases.erase(0, extension);
    bases.append(bases, 0, extension);
    bases.shrink_to_fit();
}

void Sequence::nextWindow(std::uint32_t windowLength, std::string& window)
{
    // The window ending on the text's last letter is not taken, and nothing
    // is ever read past the text.
    if (windowCursor + windowLength < bases.size()) {
        window.assign(bases, windowCursor, windowLength);
        ++windowCursor;
        ++windowsTaken;
    } else {
        window.clear();
    }
}

std::uint32_t Sequence::windowPosition(std::uint32_t windowLength) const
{
    if (forward)
        return windowsTaken - 1;
    return static_cast<std::uint32_t>(bases.size()) - windowLength - windowsTaken + 1;
}

void Sequence::reverseComplement()
{
    // In place: a genome-sized text is not copied.
    std::reverse(bases.begin(), bases.end());
    for (char& letter : bases)
        letter = complementTable[static_cast<unsigned char>(letter)];
    forward = !forward;
}

void Sequence::scanStrand(const ScoreTable& table, const Options& options, IntegrationWindows& windows,
                          Hit& working)
{
    const std::uint32_t windowLength = table.windowLength();
    extendForScan(options.useIntegration, windowLength, windows.windowCount);
    working.reset();
    working.forward = forward;
    std::size_t start = 0;
    if (options.useIntegration) {
        primeWindowSlots(*this, windows, table);
        // The primed ring already holds the windows up to the centre's span;
        // the scan goes on right after them.
        if (bases.size() > windows.centreIndex + 1)
            start = windows.centreIndex + 1;
    }

    const char* text = bases.data();
    const std::size_t textLength = bases.size();
    const double cutoff = options.cutoff;
    const bool lowerBetter = lowerIsBetter(options.methodCode);
    // The position rule in 32 bits: the window at text offset j is reported at
    // j on the forward strand and at textLength - windowLength - j on the reverse.
    const std::uint32_t reverseBase = static_cast<std::uint32_t>(textLength) - windowLength;
    const auto positionAt = [&](std::size_t offset) {
        const auto taken = static_cast<std::uint32_t>(offset);
        return forward ? taken : reverseBase - taken;
    };

    // The window ending on the text's last letter is not taken, as in nextWindow.
    const std::size_t end = std::max(start, textLength > windowLength ? textLength - windowLength : 0);
    if (!options.useIntegration) {
        scoreWindows(table, text, start, end, [&](std::size_t offset, double score) {
            // Tested before anything else, so a failing window costs nothing
            // more than its score; considerHit tests it again.
            if (!passesCutoff(score, cutoff, lowerBetter))
                return;
            working.window.assign(text + offset, windowLength);
            working.position = positionAt(offset);
            working.score = score;
            considerHit(working, options, *this);
        });
    } else {
        // The reverse strand's text is longer by the centre's reach than
        // without integration; its positions are lowered by as much.
        const std::uint32_t lowering = forward ? 0 : windows.centreIndex;
        scoreWindows(table, text, start, end, [&](std::size_t offset, double score) {
            const WindowSlot newest{score, offset, positionAt(offset) - lowering};
            const WindowSlot& centre = centreSlot(windows);
            const bool passes = passesCutoff(centre.score, cutoff, lowerBetter);
            if (passes) {
                working.window.assign(text + centre.textOffset, windowLength);
                working.position = centre.position;
                working.score = centre.score;
                working.localMean = windows.localMean;
                working.upMean = windows.upMean;
                working.downMean = windows.downMean;
            }
            slideWindowSlots(windows, newest, textLength);
            if (passes)
                considerHit(working, options, *this);
        });
    }
    windowCursor = end;
    windowsTaken = static_cast<std::uint32_t>(end);
    if (forward)
        reverseComplement();
}

void Sequence::shrinkHits()
{
    hits.shrink_to_fit();
}
