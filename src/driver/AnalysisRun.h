#pragma once

#include <ctime>
#include <optional>
#include <vector>

#include "options/Options.h"
#include "results/HitSignificance.h"
#include "results/SignificanceBound.h"
#include "tracks/RegulonTable.h"

class RunLog;
class SequenceSet;
class SiteCollection;
struct RunArguments;

// The whole program after the entry point: returns the exit status. Fatal
// input errors propagate as FatalError.
int runAnalysis(int argc, const char* const* argv);

// Elapsed whole seconds since a run started, cumulative, for its log.
class RunClock {
public:
    RunClock() : start(std::time(nullptr)) {}
    double elapsed() const { return std::difftime(std::time(nullptr), start); }

private:
    std::time_t start;
};

// What a scan of sequences and a motif already in memory asks for beside
// the settings: a selection by significance, and the hits' p, E and q values.
struct ScanRequest {
    std::vector<SignificanceBound> bounds; // none: the cut-off the sites imply
    bool wantsSignificance = false;
    // Whether a long sequence's reverse strand may be scanned on a second
    // thread; a caller that runs several scans at once keeps each to one.
    bool secondThread = true;
};

// What such a scan leaves beside the hits, which it stores in each sequence
// with their gene context.
struct ScanOutcome {
    SignificanceSelection chosen; // the bounds and the score cut-off they came to
    double sitesCutoff = 0.0;     // the cut-off the sites imply, before a selection replaces it
    // Every scanned sequence noted, when the figures are wanted: finish()
    // works them out.
    std::optional<HitSignificance> significance;
};

// A run over inputs in memory, as the program makes one of its files: the
// cut-off from the sites' scores (written to the motif score log when
// options.writeLogs), then every sequence of the set scanned, its hits kept,
// sorted and placed against its genes. `collection` was built against the
// set's first sequence, with its background when the settings ask for it.
// Progress and warnings go to `log`; input errors through reportError. A
// caller with several motifs scans the set once for each, taking the hits out
// of the sequences in between.
ScanOutcome scanSet(SequenceSet& set, SiteCollection& collection, Options& options, const ScanRequest& request,
                    RunLog& log, const RunClock& clock);

// What a run of one motif in memory leaves beside the hits in the sequences.
struct MemoryRun {
    Options options;              // as the run settled them, its cut-off included
    SignificanceSelection chosen; // the bounds and the score cut-off they came to
    RunSignificance figures;
    RegulonSettings regulon; // what its regulon counts
};

// The program's run of one motif but for the files of results, as a binding
// for another language makes it over sequences and a model in memory: the
// settings of `arguments` (never an options file) checked as the program
// checks them, the sequences given their genes (--genes), topology and
// background, the model taken against the first of them, every sequence
// scanned, and the hits' p, E and q values worked out. The diagnostic logs,
// named after set.stem, are written only when the settings ask for them;
// progress and warnings go to `log`. `model` stays as it was: the run takes
// its own copy, so one model may serve several runs at once. `secondThread`
// as in ScanRequest. Input errors go through reportError.
MemoryRun runInMemory(SequenceSet& set, const SiteCollection& model, const RunArguments& arguments, bool secondThread,
                      RunLog& log);
