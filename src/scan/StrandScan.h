#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class IntegrationWindows;
class Options;
class ScanHits;
class ScoreTable;

// The scan of a circular sequence: every window of both strands scored with
// the table, and each one that passes the cut-off handed to `found` in scan
// order, the forward strand's first.
//
// Each strand is read as a text of S + n letters (S as read, n =
// scanExtension), its last n a copy of its first, so that windows across the
// origin score like any other; the reverse strand's text is the reverse
// complement of the letters as read, so extended. A pass scores the windows
// starting at offsets 0 .. S - 1 of its text. Under integration it first
// primes the ring in `windows` with the windows around the origin, starts
// after them, and hands on the ring's centre window with its means instead
// of the window just scored; `windows` is left as the reverse pass leaves it.
//
// Positions: on the forward strand the index of the window's first letter; on
// the reverse strand the index of its leftmost letter on the strand as read
// plus the window length, so that one site seen on both strands sits exactly
// that far apart.
//
// The sequence must be scannable: S >= n. With inParallel the reverse strand
// is scored on a second thread; what is kept is the same to the last bit.
// A sequence that is not `circular` (a linear molecule; never under
// integration) has no windows across its ends: only offsets 0 .. S - L are
// scored, with positions as above.
// Returns S + n, the length of each strand's text. n is the window length,
// and under integration also the reach of the centre, (windowCount - 1) / 2.
std::size_t scanStrands(const std::string& letters, const ScoreTable& table, const Options& options,
                        IntegrationWindows& windows, ScanHits& found, bool inParallel, bool circular = true);

// The windows that pass the cut-off, compactly, each strand's in scan order
// with positions as scanStrands gives them: for a selection that must see
// every window up to a loose cut-off before it can tell which are hits.
struct StrandCandidates {
    std::vector<double> scores;
    std::vector<std::uint32_t> positions;
};
struct ScanCandidates {
    StrandCandidates forward;
    StrandCandidates reverse;
};

// scanStrands without integration, each passing window kept as a candidate;
// returns S + n likewise.
std::size_t scanCandidates(const std::string& letters, const ScoreTable& table, const Options& options,
                           ScanCandidates& candidates, bool inParallel, bool circular = true);
// Hands to `found` the candidates that pass options.cutoff, in the order
// that scanStrands gives at that cut-off.
void keepCandidates(const ScanCandidates& candidates, const Options& options, ScanHits& found);

// The room to make for the hits of a sequence of `length` letters: 4 S / 2^RE
// for a motif of relative entropy RE, at most 1,000,000.
std::size_t expectedHitCount(std::size_t length, double relativeEntropy);
