// Where a run's time goes: the phases of varno's whole run, timed one by one
// with the library's own functions, in the order the run calls them (logs
// off, no hit files). Each phase is repeated and its shortest time counts.
//
// Usage: phases SEQUENCE_FILE SITES_FILE OPTIONS_FILE [REPEATS]
//        phases --path    (prints the instruction set windows are scored with)
// Prints one line: read_ms scan_ms hits_ms write_ms windows scan_Mwin/s/core
// (scan: both strands of every sequence, the reverse one on a second thread
// as in a run; per core: the windows of a scan on one thread over its time).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "base/RunLog.h"
#include "motif/Background.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "results/GeneContext.h"
#include "results/HitSort.h"
#include "results/ResultsFile.h"
#include "scan/ScanHits.h"
#include "scan/StrandScan.h"
#include "scoring/Cutoff.h"
#include "scoring/IntegrationWindows.h"
#include "scoring/ScoreTable.h"
#include "scoring/VectorSets.h"
#include "sequences/SequenceSet.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--path") {
        std::printf("%s\n", scoringPath().c_str());
        return 0;
    }
    if (argc < 4) {
        std::fprintf(stderr, "usage: phases SEQUENCE_FILE SITES_FILE OPTIONS_FILE [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 4 ? std::stoi(argv[4]) : 5;
    RunLog log;
    Options options;
    setDefaults(options, log);
    readOptionsFile(argv[3], log, options);
    options.writeLogs = false;

    double read = 1e300, scan = 1e300, scanOneCore = 1e300, hits = 1e300, write = 1e300;
    std::uint64_t windows = 0;
    for (int turn = 0; turn < repeats; ++turn) {
        Clock::time_point start = Clock::now();
        SequenceSet set(argv[1]);
        read = std::min(read, millisecondsSince(start));
        set.stem = "phases_output";
        Options run = options;
        Sequence& reference = set.sequences.front();
        if (run.useSequenceBackground && set.sequences.size() < 2)
            computeBackground(reference);
        SiteCollection collection(argv[2], reference);
        deriveCutoff(collection, run, reference, set.stem, log);
        IntegrationWindows integration;
        buildIntegrationWindows(run, integration);

        // Only a single sequence can have a background of its own: one
        // table serves every sequence, as the run's cache of it does.
        const ScoreTable table(run.methodCode, reference, collection);
        // The scan keeps each sequence's hits as the run does; they are
        // sorted and placed in a second pass, timed on its own. It runs once
        // as in a run, the long sequences' strands on two threads, and once
        // on one thread for the rate per core.
        std::vector<ScanHits> found;
        std::vector<std::size_t> scanned;
        windows = 0;
        for (const bool asInARun : {false, true}) {
            found.clear();
            scanned.clear();
            IntegrationWindows windowsOfScan = integration;
            start = Clock::now();
            for (Sequence& sequence : set.sequences) {
                found.emplace_back(collection.siteLength);
                found.back().reserve(expectedHitCount(sequence.bases.size(), collection.relativeEntropy));
                scanned.push_back(scanStrands(sequence.bases, table, run, windowsOfScan, found.back(),
                                              asInARun && sequence.bases.size() >= 100000));
                if (run.useIntegration) {
                    sequence.globalScoreMean = windowsOfScan.globalMean;
                    found.back().applyIntegrationRatio(sequence.globalScoreMean, run);
                }
                if (asInARun)
                    windows += 2 * sequence.bases.size();
            }
            (asInARun ? scan : scanOneCore) = std::min(asInARun ? scan : scanOneCore, millisecondsSince(start));
        }

        start = Clock::now();
        for (std::size_t i = 0; i < set.sequences.size(); ++i) {
            storeSortedHits(found[i], set.sequences[i], run);
            assignGeneContext(set.sequences[i], run, scanned[i]);
        }
        hits = std::min(hits, millisecondsSince(start));

        start = Clock::now();
        writeResults(set, run);
        write = std::min(write, millisecondsSince(start));
        std::remove(resultsFileName(set, run).c_str());
    }
    std::printf("%.1f %.1f %.1f %.1f %llu %.0f\n", read, scan, hits, write, static_cast<unsigned long long>(windows),
                windows / (scanOneCore / 1e3) / 1e6);
    return 0;
}
