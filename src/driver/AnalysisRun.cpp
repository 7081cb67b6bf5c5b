#include "driver/AnalysisRun.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ctime>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <system_error>

#include "base/ErrorReport.h"
#include "base/FileNames.h"
#include "base/NumberText.h"
#include "base/RunLog.h"
#include "base/Threads.h"
#include "driver/Arguments.h"
#include "driver/MotifList.h"
#include "motif/Background.h"
#include "motif/CollectionLogs.h"
#include "motif/CountMatrix.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "report/Calibration.h"
#include "report/HtmlReport.h"
#include "report/SequenceLogo.h"
#include "results/GeneContext.h"
#include "results/HitSignificance.h"
#include "results/HitSort.h"
#include "results/ResultsFile.h"
#include "results/SelectionCutoff.h"
#include "results/SequenceLogs.h"
#include "results/SignificanceBound.h"
#include "scan/ScanHits.h"
#include "scan/StrandScan.h"
#include "scoring/Cutoff.h"
#include "scoring/IntegrationWindows.h"
#include "scoring/ScoreDistribution.h"
#include "scoring/ScoreSense.h"
#include "scoring/ScoreTable.h"
#include "scoring/VectorSets.h"
#include "sequences/Gff3Reader.h"
#include "sequences/SequenceSet.h"
#include "tracks/ProteinFasta.h"
#include "tracks/RegulonTable.h"
#include "tracks/TrackFiles.h"

namespace {

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
bool worthASecondThread(const Sequence& sequence, const ScanRequest& request)
{
    constexpr std::size_t shortestParallelScan = 100000;
    return request.secondThread && secondThreadAllowed() && sequence.bases.size() >= shortestParallelScan;
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
std::uint64_t windowsScanned(const Sequence& sequence, const Options& options, std::uint32_t windowLength)
{
    const std::uint64_t length = sequence.bases.size();
    if (!sequence.circular)
        return length >= windowLength ? 2 * (length - windowLength + 1) : 0;
    return 2 * (length - (options.useIntegration ? 1 : 0));
}

void analyseSequence(Sequence& sequence, unsigned number, const SiteCollection& collection, const Options& options,
                     const ScanRequest& request, IntegrationWindows& windows, TableCache& tables,
                     HitSignificance* significance, RunLog& log, const RunClock& clock)
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
        scannedLength = scanStrands(sequence.bases, table, options, windows, found,
                                    worthASecondThread(sequence, request), sequence.circular);
        if (options.useIntegration) {
            sequence.globalScoreMean = windows.globalMean;
            found.applyIntegrationRatio(sequence.globalScoreMean, options);
        }
        logValue(log, "Sorting results for sequence: ", number);
        storeSortedHits(found, sequence, options);
        if (significance != nullptr)
            significance->noteSequence(sequence, table, found.droppedTwinScores(),
                                       windowsScanned(sequence, options, collection.siteLength));
    }
    assignGeneContext(sequence, options, scannedLength);
    logLine(log, sequence.name);
    logValue(log, "Sequence analyzed! - Time (s): ", clock.elapsed());
    logLine(log, " ");
}

// The files for other tools and the report that the command line asks for,
// named after the results file.
// What the hit files and the report show beside the hits: their p, E and q
// values, and the report's calibration.
struct Figures {
    RunSignificance run;
    Calibration calibration;
};

Figures workOutFigures(const RunArguments& arguments, const SequenceSet& set, const SiteCollection& collection,
                       const Options& options, HitSignificance& significance)
{
    Figures figures;
    figures.run = significance.finish();
    const ScoreDistribution* chance = significance.firstDistribution();
    if (arguments.writeHtml && chance != nullptr)
        figures.calibration =
            calibrate(collection, options, set.sequences.front(), *chance, significance.windowsScanned());
    return figures;
}

// What the regulon counts: the run's operon gap and, under a selection, its
// bound. Every hit of a selective run meets all its bounds, so any of them
// selects the same units: the one on q, the table's own figure, if given.
RegulonSettings regulonSettingsOf(const RunArguments& arguments, const SignificanceSelection& selection)
{
    RegulonSettings regulon;
    regulon.operonGap = arguments.operonGap;
    if (selection.active())
        regulon.bound = selection.bounds.back();
    return regulon;
}

void checkRegulonFigures(const RunSignificance& figures)
{
    if (!figures.computed)
        reportError({"ERROR: The regulon table (--regulon) needs the hits' p-values, which this run cannot compute: "
                     + figures.unavailableReason});
}

// A run over several motifs gathers every motif's hits in one table, and its
// regulon units in another, instead of a table of each per motif.
struct CombinedTables {
    std::optional<MotifHitTable> hits;
    std::optional<MotifRegulonTable> regulon;
    std::string motif; // the motif being scanned
};

void writeExtraFiles(const RunArguments& arguments, bool optionsRead, const SequenceSet& set,
                     const SiteCollection& collection, const Options& options, HitSignificance& significance,
                     const Figures& worked, const SignificanceSelection& selection, double sitesCutoff,
                     const std::string& resultsFile, CombinedTables* combined)
{
    const RunSignificance& figures = worked.run;
    const Calibration& calibration = worked.calibration;
    const ScoreDistribution* chance = significance.firstDistribution();
    if (arguments.writeTsv && combined == nullptr)
        writeTsv(set, options, trackFileName(resultsFile, ".tsv"));
    if (arguments.writeBed)
        writeBed(set, options, figures, trackFileName(resultsFile, ".bed"), selection);
    if (arguments.writeGff3)
        writeGff3(set, options, figures, trackFileName(resultsFile, ".gff3"), selection);
    // The report shows the same regulon as the table.
    const RegulonSettings regulon = regulonSettingsOf(arguments, selection);
    if (arguments.writeRegulon) {
        checkRegulonFigures(figures);
        if (combined != nullptr)
            combined->regulon->add(combined->motif, set, options, regulon);
        else
            writeRegulonTable(set, options, regulon, trackFileName(resultsFile, "_regulon.tsv"));
    }
    if (arguments.writeHtml) {
        std::string settingsSource = arguments.optionsFile;
        if (!arguments.settings.empty())
            settingsSource = arguments.optionsFileNamed ? arguments.optionsFile + ", overridden on the command line"
                                                        : "the command line";
        const ReportInputs inputs{arguments.sequenceFile,
                                  arguments.motifFile,
                                  settingsSource,
                                  optionsRead,
                                  set,
                                  collection,
                                  options,
                                  figures,
                                  selection,
                                  sitesCutoff,
                                  regulon,
                                  chance,
                                  calibration};
        writeHtmlReport(inputs, trackFileName(resultsFile, ".html"));
    }
}

// A number as the run log gives a score cut-off: 14 significant digits, as the hit rows.
std::string cutoffText(double cutoff)
{
    char text[32];
    return std::string(text, putFourteenDigits(text, cutoff));
}

// What the sequences may hide: a protein scanned as DNA, and a background
// asked of a file of several records, which they run without.
void warnOfTheSequences(const SequenceSet& set, const Options& options, RunLog& log)
{
    for (const Sequence& sequence : set.sequences)
        if (mostlyNotNucleotides(sequence.bases))
            logLine(log, "WARNING: more than a tenth of the letters of " + sequence.name
                             + " are not nucleotide codes (is it a protein?); it is scanned as DNA");
    if (options.useSequenceBackground && set.sequences.size() >= 2)
        logLine(log, "WARNING: the background from the sequence (options file value 3, --background sequence) "
                     "takes a file of one record; these "
                         + std::to_string(set.sequences.size()) + " records run on the uniform background");
}

// The proteins of the sequence file's CDS, once for the whole run; a FASTA
// file without --genes has none. What they were made from is then let go:
// the scans have no use for it.
void writeProteins(const RunArguments& arguments, SequenceSet& set, RunLog& log)
{
    if (std::all_of(set.sequences.begin(), set.sequences.end(),
                    [](const Sequence& sequence) { return sequence.sourceFormat == 'F'; }))
        logLine(log, "WARNING: the FASTA sequence file brings no genes (give them with --genes FILE): the protein "
                     "file "
                         + arguments.proteinsFile + " is empty");
    withMemoryFor("write the proteins", [&] { writeProteinFasta(set, arguments.proteinsFile); });
    for (Sequence& sequence : set.sequences)
        sequence.coding = std::vector<CodingRecord>();
}

// What a cut-off computed from the sites may hide: a threshold that is no
// share makes it 0, and few sites or sites that all score alike make it
// unreliable or 0. Also a site file that may have been wrapped.
void warnOfTheSites(const SiteCollection& collection, const Options& options, RunLog& log)
{
    if (!collection.wrappedHeader.empty())
        logLine(log, "WARNING: the site file has more than one line under " + collection.wrappedHeader
                         + "; each line is read as a site, but the sites may be wrapped");
    if (options.literalCutoff)
        return;
    const std::string cutoff = cutoffText(options.cutoff);
    if (!(options.threshold > 0.0 && options.threshold < 1.0)) {
        char threshold[32];
        char* end = std::to_chars(threshold, threshold + sizeof threshold, options.threshold).ptr;
        logLine(log, "WARNING: the threshold " + std::string(threshold, static_cast<std::size_t>(end - threshold))
                         + " is not a share above 0 and below 1; the cut-off comes to " + cutoff
                         + ", so every window scoring better than that passes");
        return;
    }
    // A count matrix stands for its number of sites, which may be a fraction.
    const double count = collection.siteTotal();
    if (count < 5) {
        char sites[32];
        char* end = std::to_chars(sites, sites + sizeof sites, count).ptr;
        logLine(log, "WARNING: the cut-off " + cutoff + " comes from only "
                         + std::string(sites, static_cast<std::size_t>(end - sites)) + (count == 1 ? " site" : " sites")
                         + "; from fewer than 5 it is unreliable");
    }
    if (collection.sites.empty())
        return;
    bool alike = true;
    for (const Site& site : collection.sites)
        alike = alike && site.score == collection.sites.front().score;
    if (alike)
        logLine(log, "WARNING: the sites all score alike, so the cut-off computed from them comes to " + cutoff);
}

// A run that selects its hits by significance: the bounds, the score cut-offs
// they come to, and, under a bound on q, every sequence's windows up to the
// cut-off of p <= q, kept as candidates until the q-values tell the hits.
struct Selection {
    SignificanceSelection chosen;
    std::optional<ScoreDistribution> distribution;
    std::optional<SelectionCutoff> cutoffs;
    double pAndECutoff = 0.0; // the p and E bounds' cut-off, when there are such bounds
    bool hasPOrE = false;
    const SignificanceBound* qBound = nullptr;
    double scanCutoff = 0.0;                // under a bound on q: every window with p <= Q reaches it
    double qCutoff = 0.0;                   // the windows with q <= Q reach it
    std::vector<ScanCandidates> candidates; // per sequence, under a bound on q
    std::vector<std::size_t> scannedLengths;
};

// Sets up the selection and the scan's cut-off. Every sequence of a run has
// the reference's background, so one distribution gives every p-value; the
// windows to be scanned are known from the lengths before any is scanned.
void prepareSelection(Selection& selection, const std::vector<SignificanceBound>& bounds, const SequenceSet& set,
                      const SiteCollection& collection, Options& options, const IntegrationWindows& windows,
                      TableCache& tables, RunLog& log)
{
    selection.chosen.bounds = bounds;
    const Sequence& reference = set.sequences.front();
    const ScoreTable& table = tables.tableFor(reference, collection, options);
    const std::array<double, 4> background = backgroundProbabilities(reference);
    const ScoreSense sense = ScoreSense::ofMethod(options.methodCode);
    selection.distribution.emplace(table, background, sense);
    if (!selection.distribution->available())
        reportError({"ERROR: Selection by significance (--max-p, --max-e, --max-q) needs the windows' p-values, which "
                     "this run cannot compute: "
                     + selection.distribution->unavailableReason()});
    std::uint64_t windowsToScan = 0;
    for (const Sequence& sequence : set.sequences)
        if (unscannableReason(sequence, collection.siteLength, windows, options.useIntegration).empty())
            windowsToScan += windowsScanned(sequence, options, collection.siteLength);
    selection.cutoffs.emplace(*selection.distribution, table, background, sense, windowsToScan);

    for (const SignificanceBound& bound : bounds) {
        if (bound.figure == SignificanceBound::Figure::qValue)
            selection.qBound = &bound;
        else
            selection.hasPOrE = true;
    }
    if (selection.hasPOrE)
        selection.pAndECutoff = selection.cutoffs->pAndECutoff(bounds);
    logPair(log, "Selection by significance: ", selectionRuleText(bounds) + "; the threshold is unused");
    if (selection.qBound == nullptr) {
        selection.chosen.scoreCutoff = selection.pAndECutoff;
        logPair(log, "Score cut-off of the selection: ", cutoffText(selection.chosen.scoreCutoff));
    }
    // The scan keeps every window reaching the cut-off: the strict test
    // passes from the next worse double on.
    if (selection.qBound != nullptr)
        selection.scanCutoff = selection.cutoffs->looseCutoff(selection.qBound->limit);
    options.cutoff =
        selection.cutoffs->strictCutoffFor(selection.qBound != nullptr ? selection.scanCutoff : selection.pAndECutoff);
}

// Under a bound on q: one sequence's scan, its windows kept as candidates.
void scanForCandidates(Sequence& sequence, unsigned number, const SiteCollection& collection, const Options& options,
                       const ScanRequest& request, IntegrationWindows& windows, TableCache& tables,
                       Selection& selection, RunLog& log)
{
    logValue(log, "Analyzing sequence: ", number);
    ScanCandidates& candidates = selection.candidates.emplace_back();
    std::size_t& scannedLength = selection.scannedLengths.emplace_back(sequence.bases.size());
    const std::string reason = unscannableReason(sequence, collection.siteLength, windows, options.useIntegration);
    if (!reason.empty()) {
        logPair(log, reason, sequence.name);
        return;
    }
    // About the share q of each strand's windows passes.
    const auto expected = static_cast<std::size_t>(1.1 * selection.qBound->limit * sequence.bases.size()) + 4096;
    for (StrandCandidates* strand : {&candidates.forward, &candidates.reverse}) {
        strand->scores.reserve(expected);
        strand->positions.reserve(expected);
    }
    scannedLength = scanCandidates(sequence.bases, tables.tableFor(sequence, collection, options), options, candidates,
                                   worthASecondThread(sequence, request), sequence.circular);
}

// Under a bound on q, once every sequence is scanned: the cut-off of q <= Q
// over all their windows, and the stricter one of every bound.
void settleQCutoff(Selection& selection, Options& options, RunLog& log)
{
    std::vector<const std::vector<double>*> scores;
    for (const ScanCandidates& candidates : selection.candidates)
        for (const StrandCandidates* strand : {&candidates.forward, &candidates.reverse})
            scores.push_back(&strand->scores);
    selection.qCutoff = selection.cutoffs->qCutoff(scores, selection.qBound->limit, selection.scanCutoff);
    selection.chosen.scoreCutoff =
        selection.hasPOrE ? selection.cutoffs->stricter(selection.qCutoff, selection.pAndECutoff) : selection.qCutoff;
    logPair(log, "Score cut-off of the selection: ", cutoffText(selection.chosen.scoreCutoff));
    options.cutoff = selection.cutoffs->strictCutoffFor(selection.chosen.scoreCutoff);
}

// Under a bound on q: one sequence's hits from its candidates, as a scan at
// the selection's cut-off would have kept them. The windows of q <= Q that a
// bound on p or E leaves out still count among those at least as good as a
// hit, as the twins given way to do.
void analyseCandidates(Sequence& sequence, unsigned number, const SiteCollection& collection, const Options& options,
                       TableCache& tables, HitSignificance* significance, Selection& selection, RunLog& log,
                       const RunClock& clock)
{
    logValue(log, "Sorting results for sequence: ", number);
    ScanCandidates& candidates = selection.candidates[number - 1];
    const std::size_t scannedLength = selection.scannedLengths[number - 1];
    const bool scanned = scannedLength != sequence.bases.size();
    if (scanned) {
        const ScoreSense sense = ScoreSense::ofMethod(options.methodCode);
        std::size_t passing = 0;
        std::vector<double> leftOut;
        for (const StrandCandidates* strand : {&candidates.forward, &candidates.reverse})
            for (const double score : strand->scores) {
                if (sense.passes(score, options.cutoff))
                    ++passing;
                else if (selection.cutoffs->reaches(score, selection.qCutoff))
                    leftOut.push_back(score);
            }
        ScanHits found(collection.siteLength);
        found.reserve(passing);
        keepCandidates(candidates, options, found);
        candidates = ScanCandidates();
        storeSortedHits(found, sequence, options);
        if (significance != nullptr) {
            leftOut.insert(leftOut.end(), found.droppedTwinScores().begin(), found.droppedTwinScores().end());
            significance->noteSequence(sequence, tables.tableFor(sequence, collection, options), leftOut,
                                       windowsScanned(sequence, options, collection.siteLength));
        }
    }
    assignGeneContext(sequence, options, scannedLength);
    logLine(log, sequence.name);
    logValue(log, "Sequence analyzed! - Time (s): ", clock.elapsed());
    logLine(log, " ");
}

// A selection by significance keeps hits by their p-values: a score rescaled
// by integration has none, and a literal cut-off would be a second rule for
// the same thing.
void checkSelection(const std::vector<SignificanceBound>& bounds, const Options& options)
{
    if (!bounds.empty() && options.useIntegration)
        reportError({"ERROR: Selection by significance (--max-p, --max-e, --max-q) keeps hits by their p-values, which "
                     "integration (options file, value 10) does not give. Run without integration to select by "
                     "significance."});
    if (!bounds.empty() && options.literalCutoff)
        reportError({"ERROR: Selection by significance (--max-p, --max-e, --max-q) sets the cut-off itself, and the "
                     "options file sets a literal one (value 9). Run without the literal cut-off to select by "
                     "significance."});
}

} // namespace

ScanOutcome scanSet(SequenceSet& set, SiteCollection& collection, Options& options, const ScanRequest& request,
                    RunLog& log, const RunClock& clock)
{
    checkSelection(request.bounds, options);
    ScanOutcome outcome;
    Sequence& reference = set.sequences.front();
    withMemoryFor("score the site collection", [&] { deriveCutoff(collection, options, reference, set.stem, log); });
    warnOfTheSites(collection, options, log);

    IntegrationWindows windows;
    withMemoryFor("build the integration windows", [&] { buildIntegrationWindows(options, windows); });
    if (options.useIntegration) {
        if (ScoreSense::ofMethod(options.methodCode).lowerIsBetter())
            options.cutoff = options.cutoff * options.cutoffFactor;
        else
            options.cutoff = options.cutoff / options.cutoffFactor;
    }

    TableCache tables;
    // The report shows it beside the cut-off a selection puts in its place.
    outcome.sitesCutoff = options.cutoff;
    Selection selection;
    if (!request.bounds.empty())
        withMemoryFor("find the selection's cut-off", [&] {
            prepareSelection(selection, request.bounds, set, collection, options, windows, tables, log);
        });
    std::optional<HitSignificance>& significance = outcome.significance;
    if (request.wantsSignificance)
        significance.emplace(options);
    if (selection.qBound == nullptr) {
        unsigned number = 1;
        for (Sequence& sequence : set.sequences) {
            withMemoryFor("scan sequence " + std::to_string(number), [&] {
                analyseSequence(sequence, number, collection, options, request, windows, tables,
                                significance ? &*significance : nullptr, log, clock);
            });
            ++number;
        }
    } else {
        unsigned number = 1;
        for (Sequence& sequence : set.sequences) {
            withMemoryFor("scan sequence " + std::to_string(number), [&] {
                scanForCandidates(sequence, number, collection, options, request, windows, tables, selection, log);
            });
            ++number;
        }
        withMemoryFor("find the selection's cut-off", [&] { settleQCutoff(selection, options, log); });
        number = 1;
        for (Sequence& sequence : set.sequences) {
            withMemoryFor("sort the hits of sequence " + std::to_string(number), [&] {
                analyseCandidates(sequence, number, collection, options, tables,
                                  significance ? &*significance : nullptr, selection, log, clock);
            });
            ++number;
        }
    }

    outcome.chosen = selection.chosen;
    return outcome;
}

namespace {

// The settings of a run or of one motif: the defaults, then the options
// file unless settings are named without one (`readFile`), then the named
// settings. Whether the file was read as a whole.
bool settleOptions(const RunArguments& arguments, const std::string& optionsFile, bool readFile, RunLog& log,
                   Options& options)
{
    setDefaults(options, log);
    bool optionsRead = true;
    if (readFile) {
        optionsRead = readOptionsFile(optionsFile, log, options);
        if (optionsRead) {
            logLine(log, "Options read!");
        } else {
            setDefaults(options, log);
            logLine(log, "WARNING: options not read or read incorrectly. Running on default options.");
        }
    }
    if (!arguments.settings.empty()) {
        arguments.settings.applyTo(options);
        logLine(log, "Options from the command line.");
    }
    return optionsRead;
}

// A sequence's background, to be put back after a motif that took another.
struct BackgroundState {
    double a, c, g, t, aprioriEntropy;

    static BackgroundState of(const Sequence& sequence)
    {
        return {sequence.backgroundA, sequence.backgroundC, sequence.backgroundG, sequence.backgroundT,
                sequence.aprioriEntropy};
    }
    void applyTo(Sequence& sequence) const
    {
        sequence.backgroundA = a;
        sequence.backgroundC = c;
        sequence.backgroundG = g;
        sequence.backgroundT = t;
        sequence.aprioriEntropy = aprioriEntropy;
    }
};

// What settings cannot give together with the files asked for.
void checkOptions(const RunArguments& arguments, const Options& options)
{
    // A method the program does not have could only give a file of no hits
    // under a name of "???". A named one is checked as it is read.
    if (options.methodCode < 1 || options.methodCode > 11)
        reportError({"ERROR: The options file gives the method " + std::to_string(options.methodCode)
                     + " (value 2); the methods are 1 to 11."});
    // Under integration a hit is kept for its ratio of means, which has no
    // p-value: the regulon's bound would judge it by another score.
    if (arguments.writeRegulon && options.useIntegration)
        reportError({"ERROR: The regulon table (--regulon) selects hits by their p-values, which integration "
                     "(options file, value 10) does not give. Run without integration for the regulon."});
    checkSelection(arguments.bounds, options);
    // The integration buffer is primed with the windows around the origin.
    if (arguments.topology != RunArguments::TopologyChoice::circular && options.useIntegration)
        reportError({"ERROR: Integration (options file, value 10) primes its mean windows across the origin, which "
                     "--topology linear or auto leaves out. Run integration with --topology circular."});
}

// Writes the model for other tools, beside the run's other files, never over
// the motif file it was read from.
void writeMotifOut(const RunArguments& arguments, const RunMotif& motif, const SiteCollection& collection,
                   const Sequence& reference)
{
    const std::string fileName = outputStem(arguments.sequenceFile, arguments.outputFolder) + "_"
                               + fileSafeName(motif.name) + "." + arguments.motifOut;
    std::error_code failure;
    if (std::filesystem::equivalent(fileName, motif.fileName, failure))
        reportError({"ERROR: The model would be written over its own motif file (--motif-out): " + fileName
                     + ". Name another output folder with --outdir."});
    writeMatrixFile({matrixOf(collection, motif.name)}, matrixFormatOf(fileName), fileName,
                    backgroundProbabilities(reference));
}

// The sequences read: their genes from a separate GFF3 file (--genes), their
// topology, and their logs.
void settleSequences(SequenceSet& set, const RunArguments& arguments, const Options& options, RunLog& log,
                     const RunClock& clock)
{
    if (!arguments.genesFile.empty()) {
        if (!isFastaName(arguments.sequenceFile))
            reportError({"ERROR: --genes gives the genes of a FASTA sequence file; " + arguments.sequenceFile
                         + " brings its own."});
        withMemoryFor("read the genes",
                      [&] { readGff3Genes(arguments.genesFile, set.sequences, !arguments.proteinsFile.empty()); });
    }
    for (Sequence& sequence : set.sequences)
        sequence.circular = arguments.topology == RunArguments::TopologyChoice::circular
                         || (arguments.topology == RunArguments::TopologyChoice::automatic
                             && sequence.statedTopology == Topology::circular);
    logValue(log, "Sequences read! - Time (s): ", clock.elapsed());
    if (options.writeLogs)
        withMemoryFor("write the sequence logs", [&] { writeSequenceLogs(set, log); });
}

// One motif's run over the sequences read: its model, its cut-off, the scan
// and every file it writes. Its hits stay in the sequences until the next
// motif's scan replaces them.
void runMotif(const RunArguments& arguments, const RunMotif& motif, SequenceSet& set, Options& options,
              bool optionsRead, CombinedTables* combined, RunLog& log, const RunClock& clock)
{
    Sequence& reference = set.sequences.front();
    logLine(log, "Reading site collection...");
    SiteCollection collection =
        withMemoryFor("read the site collection", [&] { return collectionOf(motif, reference); });
    logValue(log, "Site collection read! - Time (s): ", clock.elapsed());
    if (options.writeLogs)
        withMemoryFor("write the site collection logs", [&] { writeCollectionLogs(collection, set.stem, log); });
    if (arguments.writeLogo)
        withMemoryFor("write the sequence logo", [&] { writeLogoFile(collection, set.stem + "_logo.svg"); });
    if (!arguments.motifOut.empty())
        withMemoryFor("write the motif", [&] { writeMotifOut(arguments, motif, collection, reference); });
    logLine(log, " ");

    // The figures are worked out only for the files that show them.
    ScanRequest request;
    request.bounds = arguments.bounds;
    request.wantsSignificance = arguments.writeTsv || arguments.writeBed || arguments.writeGff3 || arguments.writeHtml
                             || arguments.writeRegulon;
    ScanOutcome scanned = scanSet(set, collection, options, request, log, clock);

    const std::string resultsFile = resultsFileName(set, options, scanned.chosen);
    logPair(log, "Saving results to ", resultsFile);
    withMemoryFor("write the results file", [&] { writeResults(set, options, scanned.chosen); });
    // The results file shows no figure of significance: they are worked out
    // only for the files that do.
    if (request.wantsSignificance) {
        Figures figures;
        withMemoryFor("work out the hits' p-values",
                      [&] { figures = workOutFigures(arguments, set, collection, options, *scanned.significance); });
        withMemoryFor("write the hit files", [&] {
            writeExtraFiles(arguments, optionsRead, set, collection, options, *scanned.significance, figures,
                            scanned.chosen, scanned.sitesCutoff, resultsFile, combined);
            if (combined != nullptr && combined->hits)
                combined->hits->add(motif.name, set, options);
        });
    }
}

} // namespace

MemoryRun runInMemory(SequenceSet& set, const SiteCollection& model, const RunArguments& arguments, bool secondThread,
                      RunLog& log)
{
    const RunClock clock;
    MemoryRun run;
    Options& options = run.options;
    settleOptions(arguments, arguments.optionsFile, false, log, options);
    checkOptions(arguments, options);
    if (set.sequences.empty())
        reportError({"ERROR: No sequence to scan."});
    settleSequences(set, arguments, options, log, clock);
    Sequence& reference = set.sequences.front();
    if (options.useSequenceBackground && set.sequences.size() == 1)
        computeBackground(reference);
    warnOfTheSequences(set, options, log);

    // The scan's own model: its cut-off and site scores are the scan's.
    SiteCollection collection = withMemoryFor("read the site collection", [&] { return model.against(reference); });
    if (options.writeLogs)
        withMemoryFor("write the site collection logs", [&] { writeCollectionLogs(collection, set.stem, log); });
    ScanRequest request;
    request.bounds = arguments.bounds;
    request.wantsSignificance = true;
    request.secondThread = secondThread;
    ScanOutcome outcome = scanSet(set, collection, options, request, log, clock);
    withMemoryFor("work out the hits' p-values", [&] { run.figures = outcome.significance->finish(); });
    run.chosen = outcome.chosen;
    run.regulon = regulonSettingsOf(arguments, outcome.chosen);
    if (arguments.writeRegulon)
        checkRegulonFigures(run.figures);
    return run;
}

int runAnalysis(int argc, const char* const* argv)
{
    const std::optional<RunArguments> arguments = parseArguments(argc, argv);
    if (!arguments)
        return 0; // the help screen was shown
    // A mistyped vector set would otherwise pass for the one asked for.
    const std::string vectorSetError = vectorSetChoiceError();
    if (!vectorSetError.empty())
        reportError({vectorSetError});

    if (!arguments->outputFolder.empty()) {
        std::error_code failure;
        std::filesystem::create_directories(arguments->outputFolder, failure);
        if (failure || !std::filesystem::is_directory(arguments->outputFolder))
            reportError({"ERROR: Output folder could not be created: " + arguments->outputFolder});
    }
    RunLog log(arguments->sequenceFile, arguments->outputFolder);
    const RunClock clock;

    // Settings named on the command line replace the options file unless
    // one is named too: then they override its values.
    const bool readOptions = arguments->settings.empty() || arguments->optionsFileNamed;
    Options runOptions;
    const bool optionsRead = settleOptions(*arguments, arguments->optionsFile, readOptions, log, runOptions);
    checkOptions(*arguments, runOptions);

    logLine(log, "Reading sequences...");
    // What the proteins are made from is read only when they are asked for.
    const bool proteins = !arguments->proteinsFile.empty();
    SequenceSet set =
        withMemoryFor("read the sequences", [&] { return SequenceSet(arguments->sequenceFile, proteins); });
    set.stem = outputStem(arguments->sequenceFile, arguments->outputFolder);
    settleSequences(set, *arguments, runOptions, log, clock);
    Sequence& reference = set.sequences.front();
    // A motif's own settings may ask for another background than the run's.
    const BackgroundState uniform = BackgroundState::of(reference);
    std::optional<BackgroundState> fromSequence;
    const auto takeBackground = [&](const Options& options) {
        if (!options.useSequenceBackground || set.sequences.size() >= 2) {
            uniform.applyTo(reference);
        } else if (fromSequence) {
            fromSequence->applyTo(reference);
        } else {
            computeBackground(reference);
            fromSequence = BackgroundState::of(reference);
        }
    };
    takeBackground(runOptions);
    warnOfTheSequences(set, runOptions, log);
    if (proteins)
        writeProteins(*arguments, set, log);

    const MotifList list = withMemoryFor("read the motifs", [&] { return listMotifs(arguments->motifFile); });
    for (const std::string& warning : list.warnings)
        logLine(log, warning);
    if (!list.named) {
        runMotif(*arguments, list.motifs.front(), set, runOptions, optionsRead, nullptr, log, clock);
        return 0;
    }

    // Several motifs: each scanned in turn over the sequences read once, its
    // files named after it, one hit table and one regulon table for them all.
    const std::string stem = set.stem;
    CombinedTables combined;
    if (arguments->writeTsv)
        combined.hits.emplace(stem + "_motifs.tsv", runOptions.useIntegration);
    if (arguments->writeRegulon)
        combined.regulon.emplace(stem + "_motifs_regulon.tsv");
    for (const RunMotif& motif : list.motifs) {
        logPair(log, "Motif: ", motif.name);
        Options options = runOptions;
        bool motifOptionsRead = optionsRead;
        if (!motif.optionsFile.empty()) {
            motifOptionsRead = settleOptions(*arguments, motif.optionsFile, true, log, options);
            checkOptions(*arguments, options);
        }
        takeBackground(options);
        set.stem = stem + "_" + fileSafeName(motif.name);
        combined.motif = motif.name;
        runMotif(*arguments, motif, set, options, motifOptionsRead, &combined, log, clock);
        for (Sequence& sequence : set.sequences) {
            sequence.hits = HitList();
            sequence.hitMeans = decltype(sequence.hitMeans)();
            sequence.hitSignificance = decltype(sequence.hitSignificance)();
            sequence.globalScoreMean = 0.0;
        }
    }
    if (combined.hits)
        combined.hits->finish();
    if (combined.regulon)
        combined.regulon->finish();
    return 0;
}
