// The strand scan of a Sequence: circular extension, window extraction,
// reverse complement and the capacity of the hit list.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "motif/SiteCollection.h"
#include "driver/Threads.h"
#include "options/Options.h"
#include "results/HitFilter.h"
#include "results/RecordArray.h"
#include "results/ScanHits.h"
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

} // namespace

std::size_t Sequence::expectedHitCount(const SiteCollection& collection) const
{
    // ln 2 and log10 2 are held in single precision on purpose: the estimate
    // is 4 * S / 2^RE up to that precision.
    const double ln2 = static_cast<double>(0.693147180559945309f);
    const double log10Of2 = static_cast<double>(0.301029995663981195f);
    const double length = static_cast<double>(bases.size());
    const double expected = 4.0 * std::exp(ln2 * (std::log10(length) / log10Of2 - collection.relativeEntropy));
    if (!(expected >= 1.0)) // also NaN
        return 0;
    return static_cast<std::size_t>(std::min(expected, maximumReservedHits));
}

void Sequence::reserveHits(const SiteCollection& collection)
{
    const std::size_t wanted = expectedHitCount(collection);
    if (hits.capacity() < wanted)
        hits.reserve(wanted);
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
    // In place and in one sweep from both ends: a genome-sized text is not copied.
    const auto complement = [](char letter) { return complementTable[static_cast<unsigned char>(letter)]; };
    std::size_t left = 0;
    std::size_t right = bases.size();
    for (; left + 1 < right; ++left) {
        --right;
        const char leftLetter = bases[left];
        bases[left] = complement(bases[right]);
        bases[right] = complement(leftLetter);
    }
    if (left + 1 == right)
        bases[left] = complement(bases[left]);
    forward = !forward;
}

namespace {

// A window that passed the cut-off, as the scan reports it: where its letters
// start in the strand text, and under integration the means around it.
struct PassingWindow {
    double score = 0.0;
    double localMean = 0.0;
    double upMean = 0.0;
    double downMean = 0.0;
    std::size_t textOffset = 0;
    std::uint32_t position = 0;
};

// Windows scored per call of the letter source: its letters fit in the cache.
constexpr std::size_t chunkWindows = 4096;

// Calls visit(offset, score) for the windows of an extended strand text of
// `textLength` letters from text offset `start` on, in order, as the
// sequential scan takes them: the window ending on the text's last letter is
// not taken, as in nextWindow. `letters(offset, count)` gives the letters of
// the `count` windows from `offset` on.
template <typename Letters, typename Visit>
void scoreWindows(const ScoreTable& table, Letters& letters, std::size_t start, std::size_t textLength, Visit visit)
{
    constexpr std::size_t blockLength = ScoreTable::blockLength;
    const std::size_t windowLength = table.windowLength();
    const std::size_t end = textLength > windowLength ? textLength - windowLength : 0;
    double scores[blockLength];
    for (std::size_t offset = start; offset < end; offset += chunkWindows) {
        const std::size_t count = std::min(chunkWindows, end - offset);
        const char* chunk = letters(offset, count);
        std::size_t index = 0;
        for (; index + blockLength <= count; index += blockLength) {
            table.scoreBlock(chunk + index, scores);
            for (std::size_t j = 0; j < blockLength; ++j)
                visit(offset + index + j, scores[j]);
        }
        for (; index < count; ++index)
            visit(offset + index, table.score(chunk + index));
    }
}

// Scores the windows of one extended strand text (see scoreWindows) and
// calls report(PassingWindow) for each one that passes the cut-off, in order.
// Under integration the ring must be primed; the reported window is then the
// buffered centre with its means, taken before the slide.
template <typename Letters, typename Report>
void scanText(const ScoreTable& table, Letters& letters, std::size_t textLength, std::size_t start, bool forward,
              const Options& options, IntegrationWindows& windows, Report report)
{
    const std::uint32_t windowLength = table.windowLength();
    const double cutoff = options.cutoff;
    const bool lowerBetter = lowerIsBetter(options.methodCode);
    // The position rule in 32 bits: the window at text offset j is reported at
    // j on the forward strand and at textLength - windowLength - j on the reverse.
    const std::uint32_t reverseBase = static_cast<std::uint32_t>(textLength) - windowLength;
    const auto positionAt = [&](std::size_t offset) {
        const auto taken = static_cast<std::uint32_t>(offset);
        return forward ? taken : reverseBase - taken;
    };

    if (!options.useIntegration) {
        scoreWindows(table, letters, start, textLength, [&](std::size_t offset, double score) {
            // Tested before anything else, so a failing window costs nothing
            // more than its score.
            if (passesCutoff(score, cutoff, lowerBetter))
                report(PassingWindow{score, 0.0, 0.0, 0.0, offset, positionAt(offset)});
        });
        return;
    }
    // The reverse strand's text is longer by the centre's reach than
    // without integration; its positions are lowered by as much.
    const std::uint32_t lowering = forward ? 0 : windows.centreIndex;
    scoreWindows(table, letters, start, textLength, [&](std::size_t offset, double score) {
        const WindowSlot& centre = centreSlot(windows);
        const bool passes = passesCutoff(centre.score, cutoff, lowerBetter);
        const PassingWindow passing{centre.score,      windows.localMean, windows.upMean,
                                    windows.downMean, centre.textOffset, centre.position};
        slideWindowSlots(windows, WindowSlot{score, offset, positionAt(offset) - lowering}, textLength);
        if (passes)
            report(passing);
    });
}

// The first window the scan scores: under integration the primed ring already
// holds the windows up to the centre's span.
std::size_t firstScannedWindow(std::size_t textLength, const Options& options, const IntegrationWindows& windows)
{
    if (options.useIntegration && textLength > windows.centreIndex + 1)
        return windows.centreIndex + 1;
    return 0;
}

// The letters of the reverse strand's extended text, made on demand from the
// forward text, chunk by chunk: letter i is the complement of forward letter
// (S - 1 - i) mod S, which is what reverse-complementing and extending the
// forward text gives, so the forward text can be scanned at the same time.
class ReverseLetters {
public:
    ReverseLetters(const char* forwardText, std::size_t strandLength, std::uint32_t windowLength)
        : forward_(forwardText), strandLength_(strandLength), windowLength_(windowLength)
    {
    }

    const char* operator()(std::size_t offset, std::size_t count)
    {
        chunk_.resize(count + windowLength_ - 1);
        for (std::size_t i = 0; i < chunk_.size(); ++i) {
            const std::size_t index = offset + i; // below 2 S: the extension is shorter than the strand
            const std::size_t from = index < strandLength_ ? strandLength_ - 1 - index : 2 * strandLength_ - 1 - index;
            chunk_[i] = complementTable[static_cast<unsigned char>(forward_[from])];
        }
        return chunk_.data();
    }

private:
    const char* forward_;
    std::size_t strandLength_;
    std::uint32_t windowLength_;
    std::string chunk_;
};

// Hands a reported window to considerHit through the working hit; only a
// reported window's letters are ever copied.
void reportWindow(Sequence& sequence, const PassingWindow& passing, const char* text, const Options& options,
                  Hit& working)
{
    working.window.assign(text + passing.textOffset, working.windowLength);
    working.position = passing.position;
    working.score = passing.score;
    if (options.useIntegration) {
        working.localMean = passing.localMean;
        working.upMean = passing.upMean;
        working.downMean = passing.downMean;
    }
    considerHit(working, options, sequence);
}

// Where the window cursor stands once a pass has taken every window.
void finishPass(Sequence& sequence, std::size_t start, std::uint32_t windowLength)
{
    const std::size_t textLength = sequence.bases.size();
    sequence.windowCursor = std::max(start, textLength > windowLength ? textLength - windowLength : 0);
    sequence.windowsTaken = static_cast<std::uint32_t>(sequence.windowCursor);
}

// One pass over the current strand, already extended for the scan: every
// window that passes goes to report(PassingWindow, text), in scan order.
template <typename Report>
void scanExtendedText(Sequence& sequence, const ScoreTable& table, const Options& options,
                      IntegrationWindows& windows, Report report)
{
    const std::uint32_t windowLength = table.windowLength();
    const char* text = sequence.bases.data();
    const std::size_t textLength = sequence.bases.size();
    if (options.useIntegration)
        primeWindowSlots(windows, textLength, sequence.forward, windowLength,
                         [&](std::size_t offset) { return table.score(text + offset); });
    const std::size_t start = firstScannedWindow(textLength, options, windows);
    const auto letters = [text](std::size_t offset, std::size_t) { return text + offset; };
    scanText(table, letters, textLength, start, sequence.forward, options, windows,
             [&](const PassingWindow& passing) { report(passing, text); });
    finishPass(sequence, start, windowLength);
}

// Letters appended to a strand for its scan: the windows crossing the origin,
// and under integration the centre's reach beyond them.
std::size_t scanExtension(bool useIntegration, std::uint32_t windowLength, std::int64_t windowCount)
{
    std::size_t extension = windowLength;
    if (useIntegration)
        extension += static_cast<std::size_t>((windowCount - 1) / 2);
    return extension;
}

// One pass as the scan makes it: extends the current strand, scans it, and
// reverse-complements a forward text for the next pass.
template <typename Report>
void scanPass(Sequence& sequence, const ScoreTable& table, const Options& options, IntegrationWindows& windows,
              Report report)
{
    sequence.extendForScan(options.useIntegration, table.windowLength(), windows.windowCount);
    scanExtendedText(sequence, table, options, windows, report);
    if (sequence.forward)
        sequence.reverseComplement();
}

} // namespace

void Sequence::extendForScan(bool useIntegration, std::uint32_t windowLength, std::int64_t windowCount)
{
    const std::size_t extension = scanExtension(useIntegration, windowLength, windowCount);
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

void Sequence::scanStrand(const ScoreTable& table, const Options& options, IntegrationWindows& windows,
                          Hit& working)
{
    working.reset();
    working.forward = forward;
    scanPass(*this, table, options, windows, [&](const PassingWindow& passing, const char* text) {
        reportWindow(*this, passing, text, options, working);
    });
}

void Sequence::scanBothStrands(const ScoreTable& table, const Options& options, IntegrationWindows& windows,
                               ScanHits& found, bool inParallel)
{
    const std::uint32_t windowLength = table.windowLength();
    const auto keep = [&](const PassingWindow& passing, const char* text) {
        found.consider({passing.score, passing.localMean, passing.upMean, passing.downMean, passing.position, forward},
                       text + passing.textOffset, options);
    };
    const std::size_t strandLength = bases.size();
    const std::size_t extension = scanExtension(options.useIntegration, windowLength, windows.windowCount);
    // The reverse letters are made from the forward text, which needs the
    // whole extension to be a copy of the strand's own first letters.
    if (!inParallel || !forward || extension > strandLength) {
        for (int pass = 0; pass < 2; ++pass)
            scanPass(*this, table, options, windows, keep);
        return;
    }

    extendForScan(options.useIntegration, windowLength, windows.windowCount);
    // The reverse strand is scored on a second thread into its own ring and a
    // list of passing windows, which are decided by their own scores alone; they
    // are kept afterwards in scan order, so the hits are those of one thread.
    IntegrationWindows reverseWindows = windows;
    RecordArray<PassingWindow> reversePassing;
    std::size_t reverseStart = 0;
    runTogether(
        true, [&] { scanExtendedText(*this, table, options, windows, keep); },
        [&] {
            ReverseLetters letters(bases.data(), strandLength, windowLength);
            const std::size_t textLength = bases.size();
            if (options.useIntegration)
                primeWindowSlots(reverseWindows, textLength, false, windowLength,
                                 [&](std::size_t offset) { return table.score(letters(offset, 1)); });
            reverseStart = firstScannedWindow(textLength, options, reverseWindows);
            scanText(table, letters, textLength, reverseStart, false, options, reverseWindows,
                     [&](const PassingWindow& passing) { reversePassing.push_back(passing); });
        });

    // The reverse strand's extended text, as reverseComplement and
    // extendForScan would make it, without moving the whole text twice more.
    bases.resize(strandLength);
    reverseComplement();
    bases.append(bases, 0, extension);
    windows = std::move(reverseWindows);
    // Each reverse window adds at most one hit.
    found.reserveFilledSoon(found.records().size() + reversePassing.size());
    const char* text = bases.data();
    for (const PassingWindow& passing : reversePassing)
        keep(passing, text);
    finishPass(*this, reverseStart, windowLength);
}

void Sequence::shrinkHits()
{
    hits.shrink_to_fit();
}
