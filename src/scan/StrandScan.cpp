#include "scan/StrandScan.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/RecordArray.h"
#include "base/Threads.h"
#include "options/Options.h"
#include "scan/Complement.h"
#include "scan/ScanHits.h"
#include "scoring/IntegrationWindows.h"
#include "scoring/ScoreTable.h"
#include "scoring/WindowScores.h"

namespace {

// A very unspecific motif on a long sequence would ask for up to 4 hits per
// letter; the list still grows past this when the hits really come.
constexpr double maximumReservedHits = 1000000.0;

// Windows handed to the scorer per call of the letter source: their letters
// and scores fit in the cache. The scorer works through them in chunks of
// its own (scoring/WindowChunks-inl.h).
constexpr std::size_t windowsPerRun = 4096;

// The letters of one strand's extended text, made from the letters as read
// without building the text: letter i of the forward text is letter i mod S,
// of the reverse text the complement of letter (S - 1 - i) mod S. A call
// gives the letters of `count` windows from `offset` on (count + L - 1 of
// them), valid until the next call: straight from the sequence where they lie
// there in order, else copied into a chunk of its own.
class StrandLetters {
public:
    StrandLetters(const std::string& letters, bool forward, std::uint32_t windowLength)
        : letters_(letters.data()), length_(letters.size()), forward_(forward), windowLength_(windowLength)
    {
    }

    const char* operator()(std::size_t offset, std::size_t count)
    {
        const std::size_t size = count + windowLength_ - 1;
        if (forward_ && offset + size <= length_)
            return letters_ + offset;
        chunk_.resize(size);
        // Every index is below 2 S: the extension is no longer than the
        // strand, so the letters come in at most two runs, the second from
        // the sequence's start (forward) or end (reverse) again.
        const std::size_t before = offset < length_ ? std::min(size, length_ - offset) : 0;
        const std::size_t again = offset < length_ ? 0 : offset - length_;
        if (forward_) {
            std::copy_n(letters_ + offset, before, chunk_.begin());
            std::copy_n(letters_ + again, size - before, chunk_.begin() + before);
        } else {
            reverseComplement(letters_ + length_ - 1 - offset, before, &chunk_[0]);
            reverseComplement(letters_ + length_ - 1 - again, size - before, &chunk_[before]);
        }
        return chunk_.data();
    }

private:
    const char* letters_;
    std::size_t length_;
    bool forward_;
    std::uint32_t windowLength_;
    std::string chunk_;
};

// Calls visit(offset, scores, count, passing, passed) for runs of the
// windows from text offset `start` up to the one that ends one letter before
// the text's end, in order: the window at offset + j scores scores[j]. With a
// cut-off test, passing[0, passed) are the j whose scores pass it, in order.
template <typename Visit>
void scoreWindows(const WindowScores& scorer, StrandLetters& letters, std::size_t start, std::size_t textLength,
                  const CutoffTest* test, Visit visit)
{
    const std::size_t windowLength = scorer.table().windowLength();
    const std::size_t end = textLength > windowLength ? textLength - windowLength : 0;
    std::vector<double> scores(std::min(windowsPerRun, end));
    std::vector<std::uint32_t> passing(test != nullptr ? scores.size() : 0);
    for (std::size_t offset = start; offset < end; offset += windowsPerRun) {
        const std::size_t count = std::min(windowsPerRun, end - offset);
        const char* text = letters(offset, count);
        std::size_t passed = 0;
        if (test != nullptr)
            passed = scorer.scorePassing(text, count, *test, scores.data(), passing.data());
        else
            scorer.score(text, count, scores.data());
        visit(offset, scores.data(), count, passing.data(), passed);
    }
}

// One strand's pass: report(ScanHit, WindowMeans) for each window that passes
// the cut-off, in order (under integration, the ring's centre before the
// slide; without it the means are all 0).
// A linear molecule has no windows across its ends: only those at offsets
// 0 .. S - L are scored (never under integration).
template <typename Report>
void scanPass(const std::string& sequenceLetters, bool forward, std::size_t textLength, const WindowScores& scorer,
              const Options& options, IntegrationWindows& windows, Report report, bool circular = true)
{
    const ScoreTable& table = scorer.table();
    const std::uint32_t windowLength = table.windowLength();
    const CutoffTest test{options.cutoff, ScoreSense::ofMethod(options.methodCode)};
    StrandLetters letters(sequenceLetters, forward, windowLength);
    // The position rule in 32 bits: the window at text offset j is reported at
    // j on the forward strand and at textLength - windowLength - j on the reverse.
    const std::uint32_t reverseBase = static_cast<std::uint32_t>(textLength) - windowLength;
    const auto positionAt = [&](std::size_t offset) {
        const auto taken = static_cast<std::uint32_t>(offset);
        return forward ? taken : reverseBase - taken;
    };

    if (!options.useIntegration) {
        // Windows are scored up to the one that ends one letter before the
        // scored text's end: for a linear molecule, the one that ends with it.
        const std::size_t scoredLength = circular ? textLength : sequenceLetters.size() + 1;
        scoreWindows(scorer, letters, 0, scoredLength, &test,
                     [&](std::size_t offset, const double* scores, std::size_t, const std::uint32_t* passing,
                         std::size_t passed) {
                         const WindowMeans none;
                         for (std::size_t i = 0; i < passed; ++i) {
                             const std::size_t j = passing[i];
                             report(ScanHit{scores[j], positionAt(offset + j), forward}, none);
                         }
                     });
        return;
    }
    primeWindowSlots(windows, textLength, forward, windowLength,
                     [&](std::size_t offset) { return table.score(letters(offset, 1)); });
    // The primed ring already holds the windows up to the centre's span.
    const std::size_t start = textLength > windows.centreIndex + 1 ? windows.centreIndex + 1 : 0;
    // The reverse strand's text is longer by the centre's reach than without
    // integration; its positions are lowered by as much.
    const std::uint32_t lowering = forward ? 0 : windows.centreIndex;
    scoreWindows(
        scorer, letters, start, textLength, nullptr,
        [&](std::size_t first, const double* scores, std::size_t count, const std::uint32_t*, std::size_t) {
            for (std::size_t j = 0; j < count; ++j) {
                const std::size_t offset = first + j;
                const WindowSlot& centre = centreSlot(windows);
                const bool passes = test.passes(centre.score);
                const ScanHit passing{centre.score, centre.position, forward};
                const WindowMeans means{windows.localMean, windows.upMean, windows.downMean};
                slideWindowSlots(windows, WindowSlot{scores[j], offset, positionAt(offset) - lowering}, textLength);
                if (passes)
                    report(passing, means);
            }
        });
}

// The letters a strand's text gets beyond the sequence's own.
std::size_t scanExtension(bool useIntegration, std::uint32_t windowLength, std::int64_t windowCount)
{
    std::size_t extension = windowLength;
    if (useIntegration)
        extension += static_cast<std::size_t>((windowCount - 1) / 2);
    return extension;
}

} // namespace

std::size_t expectedHitCount(std::size_t length, double relativeEntropy)
{
    // ln 2 and log10 2 are held in single precision on purpose: the estimate
    // is 4 * S / 2^RE up to that precision.
    const double ln2 = static_cast<double>(0.693147180559945309f);
    const double log10Of2 = static_cast<double>(0.301029995663981195f);
    const double expected =
        4.0 * std::exp(ln2 * (std::log10(static_cast<double>(length)) / log10Of2 - relativeEntropy));
    if (!(expected >= 1.0)) // also NaN
        return 0;
    return static_cast<std::size_t>(std::min(expected, maximumReservedHits));
}

std::size_t scanStrands(const std::string& letters, const ScoreTable& table, const Options& options,
                        IntegrationWindows& windows, ScanHits& found, bool inParallel, bool circular)
{
    const std::uint32_t windowLength = table.windowLength();
    const std::size_t textLength =
        letters.size() + scanExtension(options.useIntegration, windowLength, windows.windowCount);
    // The reverse strand's windows are decided by their own scores alone: they
    // are scored into a ring and a list of their own, on a second thread when
    // allowed, and kept after the forward ones, in scan order.
    const WindowScores scorer(table);
    IntegrationWindows reverseWindows = windows;
    RecordArray<ScanHit> reversePassing;
    RecordArray<WindowMeans> reverseMeans; // under integration
    runTogether(
        inParallel,
        [&] {
            scanPass(
                letters, true, textLength, scorer, options, windows,
                [&](const ScanHit& passing, const WindowMeans& means) { found.consider(passing, means, options); },
                circular);
        },
        [&] {
            scanPass(
                letters, false, textLength, scorer, options, reverseWindows,
                [&](const ScanHit& passing, const WindowMeans& means) {
                    reversePassing.push_back(passing);
                    if (options.useIntegration)
                        reverseMeans.push_back(means);
                },
                circular);
        });
    windows = std::move(reverseWindows);
    // Each reverse window adds at most one hit.
    found.reserveFilledSoon(found.records().size() + reversePassing.size());
    for (std::size_t i = 0; i < reversePassing.size(); ++i)
        found.consider(reversePassing[i], options.useIntegration ? reverseMeans[i] : WindowMeans(), options);
    return textLength;
}

std::size_t scanCandidates(const std::string& letters, const ScoreTable& table, const Options& options,
                           ScanCandidates& candidates, bool inParallel, bool circular)
{
    const std::uint32_t windowLength = table.windowLength();
    const std::size_t textLength = letters.size() + windowLength;
    const WindowScores scorer(table);
    IntegrationWindows unused;
    const auto scan = [&](bool forward, StrandCandidates& kept) {
        scanPass(
            letters, forward, textLength, scorer, options, unused,
            [&](const ScanHit& passing, const WindowMeans&) {
                kept.scores.push_back(passing.score);
                kept.positions.push_back(passing.position);
            },
            circular);
    };
    runTogether(
        inParallel, [&] { scan(true, candidates.forward); }, [&] { scan(false, candidates.reverse); });
    return textLength;
}

void keepCandidates(const ScanCandidates& candidates, const Options& options, ScanHits& found)
{
    const CutoffTest test{options.cutoff, ScoreSense::ofMethod(options.methodCode)};
    for (const bool forward : {true, false}) {
        const StrandCandidates& strand = forward ? candidates.forward : candidates.reverse;
        for (std::size_t i = 0; i < strand.scores.size(); ++i)
            if (test.passes(strand.scores[i]))
                found.consider(ScanHit{strand.scores[i], strand.positions[i], forward}, WindowMeans(), options);
    }
}
