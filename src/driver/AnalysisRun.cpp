#include "driver/AnalysisRun.h"

#include <array>
#include <ctime>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <system_error>

#include "base/ErrorReport.h"
#include "base/FileNames.h"
#include "base/RunLog.h"
#include "base/Threads.h"
#include "driver/Arguments.h"
#include "motif/Background.h"
#include "motif/CollectionLogs.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "report/Calibration.h"
#include "report/HtmlReport.h"
#include "report/SequenceLogo.h"
#include "results/GeneContext.h"
#include "results/HitSignificance.h"
#include "results/HitSort.h"
#include "results/ResultsFile.h"
#include "results/SequenceLogs.h"
#include "results/SignificanceBound.h"
#include "scan/ScanHits.h"
#include "scan/StrandScan.h"
#include "scoring/Cutoff.h"
#include "scoring/IntegrationWindows.h"
#include "scoring/ScoreTable.h"
#include "sequences/SequenceSet.h"
#include "tracks/RegulonTable.h"
#include "tracks/TrackFiles.h"

namespace {

// Elapsed whole seconds since the run started, cumulative.
class RunClock {
public:
    RunClock() : start(std::time(nullptr)) {}
    double elapsed() const { return std::difftime(std::time(nullptr), start); }

private:
    std::time_t start;
};

// Runs one step of the analysis and returns what it gives. A step that
// cannot get the memory it needs ends the run with a message naming it, as
// an input error does; its files in the making are removed on the way out.
// A second thread that cannot be started counts as memory lacking too.
template <typename Step>
auto withMemoryFor(const std::string& step, Step run) -> decltype(run())
{
    try {
        return run();
    } catch (const std::bad_alloc&) {
    } catch (const std::system_error& error) {
        if (error.code() != std::errc::resource_unavailable_try_again)
            throw;
    }
    reportError({"Not enough memory to " + step + "."});
}

// Why a sequence cannot be scanned with this motif and these settings, or
// empty when it can. Circular extension needs at least one window's letters,
// and under integration the priming also needs the span around the origin.
std::string unscannableReason(const Sequence& sequence, std::uint32_t siteLength, const IntegrationWindows& windows,
                              bool useIntegration)
{
    const std::uint64_t length = sequence.bases.size();
    if (length < siteLength)
        return "WARNING: sequence shorter than the motif, not scanned: ";
    const std::uint64_t centre = windows.centreIndex;
    if (useIntegration && (length < centre + siteLength || length < centre + 2))
        return "WARNING: sequence too short for the integration window, not scanned: ";
    return std::string();
}

// Whether the reverse strand gets a thread of its own: only when a second
// thread is allowed, and only for a sequence long enough to pay for it.
bool worthASecondThread(const Sequence& sequence)
{
    constexpr std::size_t shortestParallelScan = 100000;
    return secondThreadAllowed() && sequence.bases.size() >= shortestParallelScan;
}

// The score table of the last sequence scanned, kept for the next one while
// their backgrounds agree: a set of many contigs shares the uniform background.
class TableCache {
public:
    const ScoreTable& tableFor(const Sequence& sequence, const SiteCollection& collection, const Options& options)
    {
        const std::array<double, 5> background = {sequence.backgroundA, sequence.backgroundC, sequence.backgroundG,
                                                  sequence.backgroundT, sequence.aprioriEntropy};
        if (!table || background != key) {
            table.emplace(options.methodCode, sequence, collection);
            key = background;
        }
        return *table;
    }

private:
    std::optional<ScoreTable> table;
    std::array<double, 5> key{};
};

// The windows a scan of both strands evaluates: each strand's every circular
// position, but for the last under integration.
std::uint64_t windowsScanned(const Sequence& sequence, const Options& options)
{
    return 2 * (std::uint64_t{sequence.bases.size()} - (options.useIntegration ? 1 : 0));
}

void analyseSequence(Sequence& sequence, unsigned number, const SiteCollection& collection, const Options& options,
                     IntegrationWindows& windows, TableCache& tables, HitSignificance* significance, RunLog& log,
                     const RunClock& clock)
{
    logValue(log, "Analyzing sequence: ", number);
    // Gene context bounds a hit's offset inside a gene by the length of the
    // scanned text, the sequence's own when it is not scanned.
    std::size_t scannedLength = sequence.bases.size();
    const std::string reason = unscannableReason(sequence, collection.siteLength, windows, options.useIntegration);
    if (!reason.empty()) {
        logPair(log, reason, sequence.name);
        logValue(log, "Sorting results for sequence: ", number);
    } else {
        // The hits are kept compactly while the scan finds them; the ratio of
        // integration and the sort then work on those records, and each Hit
        // is built once, in its sorted place.
        ScanHits found(collection.siteLength);
        found.reserve(expectedHitCount(sequence.bases.size(), collection.relativeEntropy));
        // The terms depend on the sequence's own background and a priori entropy.
        const ScoreTable& table = tables.tableFor(sequence, collection, options);
        scannedLength = scanStrands(sequence.bases, table, options, windows, found, worthASecondThread(sequence));
        if (options.useIntegration) {
            sequence.globalScoreMean = windows.globalMean;
            found.applyIntegrationRatio(sequence.globalScoreMean, options);
        }
        logValue(log, "Sorting results for sequence: ", number);
        storeSortedHits(found, sequence, options);
        if (significance != nullptr)
            significance->noteSequence(sequence, table, found.droppedTwinScores(), windowsScanned(sequence, options));
    }
    assignGeneContext(sequence, options, scannedLength);
    logLine(log, sequence.name);
    logValue(log, "Sequence analyzed! - Time (s): ", clock.elapsed());
    logLine(log, " ");
}

// The files for other tools and the report that the command line asks for,
// named after the results file.
void writeExtraFiles(const RunArguments& arguments, bool optionsRead, const SequenceSet& set,
                     const SiteCollection& collection, const Options& options, HitSignificance& significance,
                     const std::string& resultsFile)
{
    // The report's calibration needs no hit's figures: it is worked out
    // beside them.
    RunSignificance figures;
    Calibration calibration;
    const ScoreDistribution* chance = significance.firstDistribution();
    runTogether(
        arguments.writeHtml && chance != nullptr && secondThreadAllowed(), [&] { figures = significance.finish(); },
        [&] {
            if (arguments.writeHtml && chance != nullptr)
                calibration =
                    calibrate(collection, options, set.sequences.front(), *chance, significance.windowsScanned());
        });
    if (arguments.writeTsv)
        writeTsv(set, options, figures, trackFileName(resultsFile, ".tsv"));
    if (arguments.writeBed)
        writeBed(set, options, figures, trackFileName(resultsFile, ".bed"));
    if (arguments.writeGff3)
        writeGff3(set, options, figures, trackFileName(resultsFile, ".gff3"));
    // The report shows the same regulon as the table.
    RegulonSettings regulon;
    regulon.operonGap = arguments.operonGap;
    if (arguments.writeRegulon) {
        if (!figures.computed)
            reportError(
                {"ERROR: The regulon table (--regulon) needs the hits' p-values, which this run cannot compute: "
                 + figures.unavailableReason});
        writeRegulonTable(set, options, regulon, trackFileName(resultsFile, "_regulon.tsv"));
    }
    if (arguments.writeHtml) {
        const SignificanceSelection selection;
        const ReportInputs inputs{arguments.sequenceFile,
                                  arguments.motifFile,
                                  arguments.optionsFile,
                                  optionsRead,
                                  set,
                                  collection,
                                  options,
                                  figures,
                                  selection,
                                  regulon,
                                  chance,
                                  calibration};
        writeHtmlReport(inputs, trackFileName(resultsFile, ".html"));
    }
}

} // namespace

int runAnalysis(int argc, const char* const* argv)
{
    const std::optional<RunArguments> arguments = parseArguments(argc, argv);
    if (!arguments)
        return 0; // the help screen was shown

    if (!arguments->outputFolder.empty()) {
        std::error_code failure;
        std::filesystem::create_directories(arguments->outputFolder, failure);
        if (failure || !std::filesystem::is_directory(arguments->outputFolder))
            reportError({"ERROR: Output folder could not be created: " + arguments->outputFolder});
    }
    RunLog log(arguments->sequenceFile, arguments->outputFolder);
    const RunClock clock;

    Options options;
    setDefaults(options, log);
    const bool optionsRead = readOptionsFile(arguments->optionsFile, log, options);
    if (optionsRead) {
        logLine(log, "Options read!");
    } else {
        setDefaults(options, log);
        logLine(log, "WARNING: options not read or read incorrectly. Running on default options.");
    }

    // Under integration a hit is kept for its ratio of means, which has no
    // p-value: the regulon's bound would judge it by another score.
    if (arguments->writeRegulon && options.useIntegration)
        reportError({"ERROR: The regulon table (--regulon) selects hits by their p-values, which integration "
                     "(options file, value 10) does not give. Run without integration for the regulon."});

    logLine(log, "Reading sequences...");
    SequenceSet set = withMemoryFor("read the sequences", [&] { return SequenceSet(arguments->sequenceFile); });
    set.stem = outputStem(arguments->sequenceFile, arguments->outputFolder);
    logValue(log, "Sequences read! - Time (s): ", clock.elapsed());
    if (options.writeLogs)
        withMemoryFor("write the sequence logs", [&] { writeSequenceLogs(set, log); });
    Sequence& reference = set.sequences.front();
    if (options.useSequenceBackground && set.sequences.size() < 2)
        computeBackground(reference);

    logLine(log, "Reading site collection...");
    SiteCollection collection =
        withMemoryFor("read the site collection", [&] { return SiteCollection(arguments->motifFile, reference); });
    logValue(log, "Site collection read! - Time (s): ", clock.elapsed());
    if (options.writeLogs)
        withMemoryFor("write the site collection logs", [&] { writeCollectionLogs(collection, set.getStem(), log); });
    if (arguments->writeLogo)
        withMemoryFor("write the sequence logo", [&] { writeLogoFile(collection, set.getStem() + "_logo.svg"); });
    logLine(log, " ");

    withMemoryFor("score the site collection",
                  [&] { deriveCutoff(collection, options, reference, set.getStem(), log); });

    IntegrationWindows windows;
    withMemoryFor("build the integration windows", [&] { buildIntegrationWindows(options, windows); });
    if (options.useIntegration) {
        if (lowerIsBetter(options.methodCode))
            options.cutoff = options.cutoff * options.cutoffFactor;
        else
            options.cutoff = options.cutoff / options.cutoffFactor;
    }

    // The figures are worked out only for the files that show them.
    const bool wantsSignificance = arguments->writeTsv || arguments->writeBed || arguments->writeGff3
                                || arguments->writeHtml || arguments->writeRegulon;
    std::optional<HitSignificance> significance;
    if (wantsSignificance)
        significance.emplace(options);
    TableCache tables;
    unsigned number = 1;
    for (Sequence& sequence : set.sequences) {
        withMemoryFor("scan sequence " + std::to_string(number), [&] {
            analyseSequence(sequence, number, collection, options, windows, tables,
                            significance ? &*significance : nullptr, log, clock);
        });
        ++number;
    }

    const std::string resultsFile = resultsFileName(set, options);
    logPair(log, "Saving results to ", resultsFile);
    withMemoryFor("write the results file", [&] { writeResults(set, options); });
    if (wantsSignificance)
        withMemoryFor("write the hit files", [&] {
            writeExtraFiles(*arguments, optionsRead, set, collection, options, *significance, resultsFile);
        });
    return 0;
}
