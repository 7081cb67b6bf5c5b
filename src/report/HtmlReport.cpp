#include "report/HtmlReport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "base/FileNames.h"
#include "base/OutputFile.h"
#include "motif/SiteCollection.h"
#include "options/Method.h"
#include "options/Options.h"
#include "report/Calibration.h"
#include "report/PageTemplate.h"
#include "report/Plot.h"
#include "report/SequenceLogo.h"
#include "report/Svg.h"
#include "results/HitSignificance.h"
#include "results/RowText.h"
#include "results/SelectionCutoff.h"
#include "results/SignificanceBound.h"
#include "scan/Complement.h"
#include "scoring/ScoreDistribution.h"
#include "scoring/ScoreSense.h"
#include "sequences/SequenceSet.h"
#include "tracks/RegulonTable.h"

namespace {

// Beyond these the page would grow past what a browser shows at ease; the
// page says what it leaves out.
constexpr std::size_t mostTracks = 20;
constexpr std::size_t mostHitsDrawn = 5000; // per track, the most significant
constexpr std::size_t mostTableRows = 500;

// Drawing sizes, in SVG user units.
constexpr double plotWidth = 900.0;
constexpr double trackWidth = 1000.0;

// An expected number of windows: whole and grouped from a thousand up.
std::string expectedCount(double value)
{
    if (value >= 1000 && value < 1e15)
        return withThousands(static_cast<std::uint64_t>(std::llround(value)));
    return figure(value, 3);
}

std::string percent(double share)
{
    return std::isnan(share) ? "NA" : svgNumber(100.0 * share, 0) + " %";
}

// The hits the genome track draws to stand out: those that pass the run's
// own bounds when it selects by significance, else the regulon's bound. The
// rest are drawn faint, so that a genome's thousands of weak hits stay a
// background to the few that count.
struct Emphasis {
    bool shown = false; // false: the run has no figures to judge a hit by
    std::vector<SignificanceBound> bounds;

    bool stands(const WindowSignificance& hit) const
    {
        return std::all_of(bounds.begin(), bounds.end(), [&hit](const SignificanceBound& b) { return b.passes(hit); });
    }
};

Emphasis emphasisOf(const ReportInputs& in)
{
    Emphasis emphasis;
    // Under integration a hit is kept for its ratio of means: its own
    // window's figures would rank it by another score than the one it was
    // kept for.
    emphasis.shown = in.significance.computed && !in.options.useIntegration;
    emphasis.bounds = in.selection.active() ? in.selection.bounds : std::vector<SignificanceBound>{in.regulon.bound};
    return emphasis;
}

// The selection's rule as a person reads it: "q ≤ 0.05, score cut-off 12.3".
std::string selectionText(const SignificanceSelection& selection)
{
    std::string text = selectionRuleText(selection.bounds, " \u2264 ");
    if (!std::isnan(selection.scoreCutoff))
        text += ", score cut-off " + figure(selection.scoreCutoff, 6);
    return text;
}

// ---- The run

std::string factRow(const std::string& name, const std::string& value)
{
    return "<tr><th>" + escapeXml(name) + "</th><td>" + value + "</td></tr>\n";
}

// The settings of the options file that are not the defaults.
std::string changedOptions(const Options& options)
{
    const Options defaults;
    std::vector<std::string> changed;
    const auto note = [&changed](bool differs, const char* name, const std::string& value) {
        if (differs)
            changed.push_back(std::string(name) + " " + value);
    };
    const auto flag = [](bool value) { return std::string(value ? "on" : "off"); };
    note(options.writeLogs != defaults.writeLogs, "diagnostic logs", flag(options.writeLogs));
    note(options.methodCode != defaults.methodCode, "method", std::to_string(options.methodCode));
    note(options.useSequenceBackground != defaults.useSequenceBackground, "sequence background",
         flag(options.useSequenceBackground));
    // The default is single precision's 0.8: a file's 0.8 is the same setting.
    note(std::fabs(options.threshold - defaults.threshold) > 1e-6, "threshold", figure(options.threshold, 6));
    note(options.operatorUpstream != defaults.operatorUpstream, "operator upstream",
         std::to_string(options.operatorUpstream));
    note(options.operatorDownstream != defaults.operatorDownstream, "operator downstream",
         std::to_string(options.operatorDownstream));
    note(options.sortByScore != defaults.sortByScore, "sort by score", flag(options.sortByScore));
    note(options.mergeStrandPairs != defaults.mergeStrandPairs, "merge strand pairs", flag(options.mergeStrandPairs));
    note(options.literalCutoff != defaults.literalCutoff, "literal cut-off", flag(options.literalCutoff));
    note(options.useIntegration != defaults.useIntegration, "integration", flag(options.useIntegration));
    if (options.useIntegration) {
        note(options.upstreamMeanStart != defaults.upstreamMeanStart
                 || options.upstreamMeanEnd != defaults.upstreamMeanEnd,
             "upstream mean interval",
             std::to_string(options.upstreamMeanStart) + ".." + std::to_string(options.upstreamMeanEnd));
        note(options.downstreamMeanStart != defaults.downstreamMeanStart
                 || options.downstreamMeanEnd != defaults.downstreamMeanEnd,
             "downstream mean interval",
             std::to_string(options.downstreamMeanStart) + ".." + std::to_string(options.downstreamMeanEnd));
        note(options.cutoffFactor != defaults.cutoffFactor, "cut-off factor", figure(options.cutoffFactor, 6));
        note(options.integrationMode != defaults.integrationMode, "integration ratio",
             std::to_string(options.integrationMode));
    }
    if (changed.empty())
        return "none: the defaults";
    std::string text;
    for (const std::string& item : changed)
        text += (text.empty() ? "" : "; ") + escapeXml(item);
    return text;
}

std::size_t operatorCount(const SequenceSet& set)
{
    std::size_t count = 0;
    for (const Sequence& sequence : set.sequences)
        count += std::count_if(sequence.hits.begin(), sequence.hits.end(),
                               [](const Hit& hit) { return hit.context == HitContext::Operator; });
    return count;
}

std::string runSection(const ReportInputs& in)
{
    const Options& options = in.options;
    std::uint64_t letters = 0;
    std::size_t hits = 0;
    for (const Sequence& sequence : in.set.sequences) {
        letters += sequence.bases.size();
        hits += sequence.hits.size();
    }
    const Sequence& first = in.set.sequences.front();
    const bool ownBackground = options.useSequenceBackground && in.set.sequences.size() == 1;
    std::string background = ownBackground ? "the sequence's own composition: " : "uniform: ";
    background += "A " + percent(first.backgroundA) + ", C " + percent(first.backgroundC) + ", G "
                + percent(first.backgroundG) + ", T " + percent(first.backgroundT);

    std::string chance;
    if (!in.significance.computed)
        chance = "NA (" + escapeXml(in.significance.unavailableReason) + ")";
    else
        chance = expectedCount(in.significance.cutoffEValue) + " of " + withThousands(in.significance.windowsScanned)
               + " windows scanned (both strands)";

    std::string text = "<section id=\"run\"><h2>The run</h2>\n<table class=\"facts\">\n";
    text += factRow("Sequence file", escapeXml(in.sequenceFile));
    text += factRow("Site collection", escapeXml(in.motifFile));
    text += factRow("Settings", escapeXml(in.optionsFile) + (in.optionsRead ? "" : " (not read: the defaults)"));
    text += factRow("Sequences", withThousands(in.set.sequences.size()) + ", " + withThousands(letters) + " letters");
    text += factRow("Method", escapeXml(methodName(options.methodCode)) + " ("
                                  + (ScoreSense::ofMethod(options.methodCode).lowerIsBetter() ? "lower" : "higher")
                                  + " scores are better)");
    text += factRow("Background", background);
    text += factRow("Threshold", figure(options.threshold, 6));
    text +=
        factRow("Cut-off", "<span id=\"cutoff-value\">" + figure(in.sitesCutoff, 6) + "</span> ("
                               + (options.literalCutoff         ? "literal"
                                  : in.collection.sites.empty() ? "computed from the windows of the model itself"
                                                                : "computed from the known sites' scores")
                               + (options.useIntegration ? ", on the window's own score under integration" : "") + ")");
    // A selection's figures are at the cut-off it keeps hits by.
    text += factRow(in.selection.active() ? "Chance hits expected at the kept cut-off"
                                          : "Chance hits expected at the cut-off",
                    chance);
    text += factRow("Hits kept", withThousands(hits)
                                     + (in.selection.active() ? " (" + escapeXml(selectionText(in.selection)) + ")"
                                                              : std::string()));
    text += factRow("Operators found", withThousands(operatorCount(in.set)));
    text += factRow("Settings changed", changedOptions(options));
    return text + "</table></section>";
}

// ---- The motif

// What the model was built from: its known sites, or a count matrix and the
// number of sites it stands for.
std::string sitesText(const SiteCollection& collection)
{
    if (!collection.sites.empty())
        return withThousands(collection.siteCount()) + " known sites";
    return "A count matrix of " + figure(collection.siteTotal(), 6) + " sites";
}

std::string motifSection(const ReportInputs& in)
{
    std::string consensus;
    for (const MotifColumn& column : in.collection.columns)
        consensus += column.consensus;
    return "<section id=\"motif\"><h2>The motif</h2>\n<div class=\"logo\">" + sequenceLogoSvg(in.collection, false)
         + "</div>\n<p>" + sitesText(in.collection) + " of " + std::to_string(in.collection.siteLength)
         + " letters; consensus <code>" + escapeXml(consensus) + "</code>; R<sub>sequence</sub> "
         + figure(in.collection.rsequence, 4) + " bits, relative entropy " + figure(in.collection.relativeEntropy, 4)
         + " bits.</p></section>";
}

// ---- The cut-off

// The known sites' scores above, the windows expected by chance to score at
// least as well below, on one score axis with better scores to the right.
std::string cutoffPlot(const ReportInputs& in)
{
    const ScoreSense sense = ScoreSense::ofMethod(in.options.methodCode);
    const double cutoff = in.sitesCutoff;
    std::vector<double> siteScores;
    for (const Site& site : in.collection.sites)
        siteScores.push_back(site.score);
    // A run that selects by significance keeps hits at a cut-off of its own,
    // drawn beside the sites'.
    const bool selected = in.selection.active() && !std::isnan(in.selection.scoreCutoff);
    const double keptAt = selected ? in.selection.scoreCutoff : cutoff;
    double worst = sense.worst(cutoff, keptAt);
    double best = sense.best(cutoff, keptAt);
    for (const double score : siteScores) {
        worst = sense.worst(worst, score);
        best = sense.best(best, score);
    }
    const double margin = std::max(std::fabs(best - worst) * 0.08, 0.5);
    worst -= sense.oriented(margin);
    best += sense.oriented(margin);

    const double left = 80, right = plotWidth - 30, sitesTop = 30, sitesBottom = 110, chanceTop = 150,
                 chanceBottom = 330;
    const Scale x{worst, best, left, right};
    std::string text = svgOpen(plotWidth, 380, "cutoff-plot");

    // The sites, spread over their band so that equal scores stay apart.
    std::size_t passing = 0;
    for (std::size_t i = 0; i < siteScores.size(); ++i) {
        const bool passes = sense.passes(siteScores[i], cutoff);
        passing += passes;
        const double y = sitesTop + 10 + (sitesBottom - sitesTop - 20) * ((i * 7) % 11) / 10.0;
        text += "<circle" + attribute("class", passes ? "site pass" : "site fail")
              + attribute("cx", x(siteScores[i]), 1) + attribute("cy", y, 1) + attribute("r", "5") + "><title>"
              + escapeXml(in.collection.sites[i].window) + ": " + figure(siteScores[i], 6) + "</title></circle>";
    }
    text += label(left, sitesTop - 10,
                  siteScores.empty() ? std::string("A count matrix: no known sites to show")
                                     : "Known sites: " + std::to_string(passing) + " of "
                                           + std::to_string(siteScores.size()) + " pass the cut-off",
                  "start", "plot-title");

    // Expected windows at least as good, on a log scale, from what the run
    // worked out already: each hit's own score with its E-value above the
    // cut-off, the calibration's cut-offs with their chance hits below it.
    std::vector<std::pair<double, double>> tail; // score, expected windows
    for (const Sequence& sequence : in.set.sequences)
        for (std::size_t i = 0; i < sequence.hits.size(); ++i) {
            const WindowSignificance& figures = sequence.significanceOf(i);
            tail.emplace_back(in.options.useIntegration ? figures.ownScore : sequence.hits[i].score, figures.eValue);
        }
    for (const CalibrationPoint& point : in.calibration.points)
        tail.emplace_back(point.cutoff, point.expectedChanceHits);
    tail.erase(std::remove_if(tail.begin(), tail.end(),
                              [](const auto& point) { return !(point.second > 0) || std::isnan(point.first); }),
               tail.end());
    if (in.significance.windowsScanned > 0 && !tail.empty()) {
        std::sort(tail.begin(), tail.end());
        const double top = std::ceil(std::log10(static_cast<double>(in.significance.windowsScanned)));
        const double floorPower = -3.0;
        const Scale y{floorPower, top, chanceBottom, chanceTop};
        // One point per half unit of the drawing is as fine as the eye sees.
        std::vector<std::pair<double, double>> points;
        for (const auto& [score, expected] : tail) {
            const double at = x(score);
            if (at < left || at > right || (!points.empty() && std::fabs(at - points.back().first) < 0.5))
                continue;
            points.emplace_back(at, y(std::max(floorPower, std::log10(expected))));
        }
        text += polyline(points, "chance");
        text += sideAxis(y, left, powerMarks(floorPower, top), "windows at least as good");
        const std::string expected =
            in.significance.computed ? expectedCount(in.significance.cutoffEValue) : std::string("NA");
        text += label(left, chanceTop - 14,
                      "Expected by chance in " + withThousands(in.significance.windowsScanned) + " windows: " + expected
                          + (in.selection.active() ? " at the kept cut-off" : " at the cut-off"),
                      "start", "plot-title");
    }
    text += bottomAxis(x, chanceBottom, std::string("score (") + methodName(in.options.methodCode) + ")");
    text += line(x(cutoff), sitesTop - 4, x(cutoff), chanceBottom, "cutoff");
    text += label(x(cutoff) + 4, chanceBottom - 6, "cut-off " + figure(cutoff, 5), "start", "cutoff-label");
    if (selected) {
        // Its label goes on the side away from the sites' cut-off, above it.
        const bool leftOfSites = x(keptAt) < x(cutoff);
        text += line(x(keptAt), sitesTop - 4, x(keptAt), chanceBottom, "cutoff selected");
        text += label(x(keptAt) + (leftOfSites ? -4 : 4), chanceBottom - 22,
                      "kept: " + selectionRuleText(in.selection.bounds, " \u2264 ") + ", " + figure(keptAt, 5),
                      leftOfSites ? "end" : "start", "cutoff-label selected");
    }
    return text + "</svg>";
}

// Held-out and in-sample recall against the threshold, with the chance hits
// on a log scale at the right.
std::string calibrationPlot(const Calibration& calibration)
{
    const std::vector<CalibrationPoint>& points = calibration.points;
    const double left = 80, right = plotWidth - 90, top = 30, bottom = 230;
    const Scale x{points.front().threshold, points.back().threshold, left, right};
    const Scale recall{0.0, 1.0, bottom, top};
    double lowest = 0.0, highest = 1.0;
    for (const CalibrationPoint& point : points)
        if (point.expectedChanceHits > 0) {
            lowest = std::min(lowest, std::floor(std::log10(point.expectedChanceHits)));
            highest = std::max(highest, std::ceil(std::log10(point.expectedChanceHits)));
        }
    const Scale chance{lowest, highest, bottom, top};

    std::vector<std::pair<double, double>> heldOut, inSample, expected;
    for (const CalibrationPoint& point : points) {
        if (!std::isnan(point.heldOutRecall))
            heldOut.emplace_back(x(point.threshold), recall(point.heldOutRecall));
        inSample.emplace_back(x(point.threshold), recall(point.inSampleRecall));
        if (point.expectedChanceHits > 0)
            expected.emplace_back(x(point.threshold), chance(std::log10(point.expectedChanceHits)));
    }
    std::string text = svgOpen(plotWidth, 290, "calibration-plot");
    text += polyline(expected, "chance");
    text += polyline(inSample, "in-sample");
    text += polyline(heldOut, "held-out");
    // A count matrix has no sites to leave out: its share is of the model's
    // own windows alone.
    const bool sites = !heldOut.empty();
    const CalibrationPoint& run = points[calibration.runPoint];
    text += line(x(run.threshold), top, x(run.threshold), bottom, "cutoff");
    text += label(x(run.threshold) + 4, top + 12,
                  (sites ? "this run: held-out " + percent(run.heldOutRecall)
                         : "this run: in the model " + percent(run.inSampleRecall))
                      + ", " + expectedCount(run.expectedChanceHits) + " by chance",
                  "start", "cutoff-label");
    std::vector<std::pair<double, std::string>> shares;
    for (int share = 0; share <= 100; share += 25)
        shares.emplace_back(share / 100.0, std::to_string(share) + " %");
    text += sideAxis(recall, left, shares, sites ? "known sites passing" : "model's windows passing");
    text += sideAxis(chance, right, powerMarks(lowest, highest), "chance hits expected", true);
    text += bottomAxis(x, bottom, calibration.literal ? "literal cut-off" : "threshold");
    text += "<g class=\"legend\">";
    if (sites)
        text += line(left + 10, top - 18, left + 40, top - 18, "held-out")
              + label(left + 46, top - 14, "held out (left out of the model)", "start");
    text += line(left + 280, top - 18, left + 310, top - 18, "in-sample")
          + label(left + 316, top - 14, "in the model", "start")
          + line(left + 440, top - 18, left + 470, top - 18, "chance")
          + label(left + 476, top - 14, "chance hits (right axis)", "start") + "</g>";
    return text + "</svg>";
}

std::string cutoffSection(const ReportInputs& in)
{
    std::string text = "<section id=\"cutoff\"><h2>The cut-off</h2>\n";
    if (in.selection.active())
        text += "<p>This run keeps the hits that pass <span id=\"selection-rule\">"
              + escapeXml(selectionText(in.selection))
              + "</span> in place of the cut-off the known sites imply; the plot marks both.</p>\n";
    text += "<div class=\"plot\">" + cutoffPlot(in) + "</div>\n";
    const Calibration& calibration = in.calibration;
    if (!calibration.points.empty()) {
        text += "<h3>Choosing the threshold</h3>\n<p>"
              + std::string(in.collection.sites.empty()
                                ? "For each threshold: the share of the windows drawn from the model itself that "
                                  "pass, and the windows of these sequences that chance alone would bring."
                                : "For each threshold: the share of the known sites that pass when each is left out "
                                  "of the model that scores it (the model is rebuilt without the site and the "
                                  "cut-off derived the run's way), the share that pass the full model, and the "
                                  "windows of these sequences that chance alone would bring.")
              + "</p>\n<div class=\"plot\">" + calibrationPlot(calibration) + "</div>\n";
    }
    if (!calibration.note.empty())
        text += "<p class=\"note\">" + escapeXml(calibration.note) + "</p>\n";
    return text + "</section>";
}

// ---- The genome

// A hit with the sequence it lies on and its significance.
struct PlacedHit {
    const Hit* hit;
    const Sequence* sequence;
    const WindowSignificance* figures;
};

std::vector<PlacedHit> placedHits(const Sequence& sequence)
{
    std::vector<PlacedHit> hits;
    for (std::size_t i = 0; i < sequence.hits.size(); ++i)
        hits.push_back({&sequence.hits[i], &sequence, &sequence.significanceOf(i)});
    return hits;
}

// The `count` hits most worth showing first: lowest p, then best score.
std::vector<PlacedHit> bestHits(std::vector<PlacedHit> hits, ScoreSense sense, std::size_t count)
{
    const auto better = [sense](const PlacedHit& a, const PlacedHit& b) {
        const double pa = std::isnan(a.figures->pValue) ? 2.0 : a.figures->pValue;
        const double pb = std::isnan(b.figures->pValue) ? 2.0 : b.figures->pValue;
        if (pa != pb)
            return pa < pb;
        return sense.better(a.hit->score, b.hit->score);
    };
    if (hits.size() > count) {
        std::partial_sort(hits.begin(), hits.begin() + static_cast<std::ptrdiff_t>(count), hits.end(), better);
        hits.resize(count);
    } else {
        std::stable_sort(hits.begin(), hits.end(), better);
    }
    return hits;
}

void appendHitTitle(std::string& text, const Sequence& sequence, const Hit& hit)
{
    appendRow(text, std::to_string(leftmostLetter(hit, sequence.bases.size()) + 1), hit.forward ? " + " : " - ",
              escapeXml(windowLetters(sequence.bases, hit)), "\nscore ", figure(hit.score, 6), ", p ",
              figure(sequence.significanceOf(sequence.indexOf(hit)).pValue, 3));
    if (hit.context != HitContext::Unknown) {
        const GeneTexts gene = wholeGeneTexts(sequence, hit);
        appendRow(text, "\n", contextName(hit.context), " ",
                  escapeXml(gene.geneName.empty() ? gene.locusTag : gene.geneName), " (", std::to_string(hit.distance),
                  ")");
    }
}

std::string genomeTrack(const Sequence& sequence, const Options& options, const Emphasis& emphasis)
{
    const double length = static_cast<double>(std::max<std::size_t>(sequence.bases.size(), 1));
    const double left = 20, right = trackWidth - 20, axis = 80;
    const Scale x{0.0, length, left, right};
    std::string text = svgOpen(trackWidth, 185, "genome-track");
    // About what each gene and each hit takes, so that the text grows once.
    text.reserve(4096 + 110 * sequence.genes.size() + 200 * std::min(sequence.hits.size(), mostHitsDrawn));
    text += label(left, 14, "forward strand", "start", "track-label");
    text += label(left, 160, "reverse strand", "start", "track-label");

    // Genes in two lanes by strand, along the axis.
    for (const Gene& gene : sequence.genes) {
        const double from = x(std::min(gene.start, gene.end) - 1.0), to = x(std::max(gene.start, gene.end));
        appendRow(text, "<rect", attribute("class", "gene"), attribute("x", from, 2),
                  attribute("y", gene.forward ? "72" : "82"), attribute("width", std::max(to - from, 0.3), 2),
                  attribute("height", "6"), "><title>",
                  escapeXml(gene.fullGeneName().empty() ? gene.fullLocusTag() : gene.fullGeneName()), " ",
                  escapeXml(gene.fullLocusTag()), "</title></rect>");
    }
    text += line(left, axis, right, axis, "axis");

    // Hits: forward up, reverse down, longer the more significant. The faint
    // ones go first, so that those that stand out lie over them.
    std::vector<PlacedHit> drawn =
        bestHits(placedHits(sequence), ScoreSense::ofMethod(options.methodCode), mostHitsDrawn);
    const auto faint = [&emphasis](const PlacedHit& placed) {
        return emphasis.shown && !emphasis.stands(*placed.figures);
    };
    std::stable_partition(drawn.begin(), drawn.end(), faint);
    double strongest = 1.0;
    for (const PlacedHit& placed : drawn)
        if (placed.figures->pValue > 0)
            strongest = std::max(strongest, -std::log10(placed.figures->pValue));
    for (const PlacedHit& placed : drawn) {
        const Hit* hit = placed.hit;
        const double p = placed.figures->pValue;
        const double at = x(leftmostLetter(*hit, sequence.bases.size()) + hit->windowLength / 2.0);
        const double strength = p > 0 ? -std::log10(p) / strongest : 0.5;
        // The strongest stand out: length grows with the square of -log10 p.
        const double reach = 4 + 56 * std::pow(std::clamp(strength, 0.0, 1.0), 2.0);
        const double from = hit->forward ? 70 : 90;
        const double to = hit->forward ? from - reach : from + reach;
        const std::string place = svgNumber(at, 2);
        std::string style = !emphasis.shown ? "hit" : faint(placed) ? "hit faint" : "hit significant";
        if (hit->context == HitContext::Operator)
            style += " operator";
        appendRow(text, "<line", attribute("class", style), attribute("x1", place), attribute("x2", place),
                  attribute("y1", from, 1), attribute("y2", to, 1), "><title>");
        appendHitTitle(text, sequence, *hit);
        text += "</title></line>";
    }

    // Under integration the hits' local means, along the top.
    if (options.useIntegration && !sequence.hits.empty()) {
        std::vector<const Hit*> byPlace;
        for (const Hit& hit : sequence.hits)
            byPlace.push_back(&hit);
        std::sort(byPlace.begin(), byPlace.end(), [&](const Hit* a, const Hit* b) {
            return leftmostLetter(*a, sequence.bases.size()) < leftmostLetter(*b, sequence.bases.size());
        });
        const auto localMean = [&](const Hit* hit) { return sequence.meansOf(sequence.indexOf(*hit)).local; };
        double lo = localMean(byPlace.front()), hi = lo;
        for (const Hit* hit : byPlace) {
            lo = std::min(lo, localMean(hit));
            hi = std::max(hi, localMean(hit));
        }
        const Scale y{lo, hi, 176, 166};
        std::vector<std::pair<double, double>> points;
        for (const Hit* hit : byPlace)
            points.emplace_back(x(leftmostLetter(*hit, sequence.bases.size())), y(localMean(hit)));
        text += polyline(points, "local-mean");
        text += label(right, 164, "local mean", "end", "track-label");
    }
    text += bottomAxis(x, 130, "position", true);
    return text + "</svg>";
}

// What the strokes of the tracks mean, drawn as they are.
std::string trackLegend(const Emphasis& emphasis)
{
    const std::string rule = selectionRuleText(emphasis.bounds, " \u2264 ");
    const std::vector<std::pair<const char*, std::string>> entries = {
        {"hit significant operator", "operator, " + rule},
        {"hit significant", "other hit, " + rule},
        {"hit faint operator", "operator, not passing"},
        {"hit faint", "other hit, not passing"},
    };
    std::string text = svgOpen(trackWidth, 24, "track-legend");
    double x = 20;
    for (const auto& [style, name] : entries) {
        text += line(x, 4, x, 20, style);
        text += label(x + 8, 16, name, "start", "track-label");
        x += 245;
    }
    return text + "</svg>";
}

std::string genomeSection(const ReportInputs& in)
{
    std::vector<const Sequence*> shown;
    for (const Sequence& sequence : in.set.sequences)
        shown.push_back(&sequence);
    std::stable_sort(shown.begin(), shown.end(),
                     [](const Sequence* a, const Sequence* b) { return a->bases.size() > b->bases.size(); });
    const std::size_t omitted = shown.size() > mostTracks ? shown.size() - mostTracks : 0;
    shown.resize(shown.size() - omitted);

    const Emphasis emphasis = emphasisOf(in);
    std::string text =
        "<section id=\"genome\"><h2>The genome</h2>\n<p>Each hit is a stroke at its place, above the axis "
        "on the forward strand and below it on the reverse, longer the lower its p-value; operators "
        "are red. Genes lie along the axis by strand. Hover over a hit for its score, p-value and "
        "gene.";
    if (emphasis.shown)
        text += " The hits that pass " + escapeXml(selectionRuleText(emphasis.bounds, " \u2264 "))
              + (in.selection.active() ? " (the run's own bound)" : " (the regulon's bound)")
              + " are drawn bold; the others faint, beneath them.</p>\n<div class=\"legend\">" + trackLegend(emphasis)
              + "</div>\n";
    else
        text += "</p>\n";
    if (omitted > 0)
        text += "<p class=\"note\">The " + std::to_string(mostTracks) + " longest of "
              + withThousands(in.set.sequences.size()) + " sequences are drawn; " + withThousands(omitted)
              + " shorter ones are left out here (their hits are in the table and the other files).</p>\n";
    for (const Sequence* sequence : shown) {
        text += "<h3>" + escapeXml(sequence->id) + " <span class=\"quiet\">" + escapeXml(sequence->name) + ", "
              + withThousands(sequence->bases.size()) + " letters, " + withThousands(sequence->hits.size())
              + " hits</span></h3>\n";
        if (sequence->hits.size() > mostHitsDrawn)
            text += "<p class=\"note\">The " + withThousands(mostHitsDrawn) + " most significant of its "
                  + withThousands(sequence->hits.size()) + " hits are drawn.</p>\n";
        text += "<div class=\"track\">" + genomeTrack(*sequence, in.options, emphasis) + "</div>\n";
    }
    return text + "</section>";
}

// ---- The tables

// How the page's script sorts a column when its title is clicked: by text,
// or by number (a cell's data-value where it has one, else its text).
enum class SortAs { text, number };

// A column of a table: its title, how it sorts, and the title it shares with
// its neighbours in the row above (none: its own title spans both rows).
struct Column {
    std::string title;
    SortAs sortAs;
    std::string group;
};

// The head of a table of these columns: one row, or two when some columns
// share a group, the group's title over them.
std::string tableHead(const std::vector<Column>& columns)
{
    const auto header = [](const Column& column, const std::string& span) {
        return "<th" + span + attribute("data-type", column.sortAs == SortAs::number ? "number" : "text") + ">"
             + escapeXml(column.title) + "</th>";
    };
    const bool grouped =
        std::any_of(columns.begin(), columns.end(), [](const Column& column) { return !column.group.empty(); });
    std::string top, under;
    for (std::size_t i = 0; i < columns.size();) {
        if (columns[i].group.empty()) {
            top += header(columns[i++], grouped ? attribute("rowspan", "2") : std::string());
            continue;
        }
        const std::size_t first = i;
        for (; i < columns.size() && columns[i].group == columns[first].group; ++i)
            under += header(columns[i], std::string());
        top +=
            "<th" + attribute("colspan", std::to_string(i - first)) + ">" + escapeXml(columns[first].group) + "</th>";
    }
    return "<thead><tr>" + top + (grouped ? "</tr>\n<tr>" + under : std::string()) + "</tr></thead>\n";
}

std::string cell(const std::string& text, const std::string& sortValue = std::string())
{
    if (sortValue.empty())
        return "<td>" + text + "</td>";
    return "<td" + attribute("data-value", sortValue) + ">" + text + "</td>";
}

// ---- The regulon

// Why a run has no regulon to show, or nothing when it has one.
std::string noRegulonReason(const ReportInputs& in)
{
    if (in.options.useIntegration)
        return "under integration a hit is kept for its ratio of means, which has no p-value, so no hit can be "
               "judged by the regulon's bound.";
    if (!in.significance.computed)
        return "this run has no p-values to judge its hits by: " + in.significance.unavailableReason;
    const bool genes = std::any_of(in.set.sequences.begin(), in.set.sequences.end(), [](const Sequence& sequence) {
        return sequence.sourceFormat == 'G' && !sequence.genes.empty();
    });
    if (!genes)
        return "the sequences carry no genes (a FASTA file has none), so no hit is a gene's operator.";
    return std::string();
}

// The regulon table's columns, in the order regulonSection writes its cells;
// `named`: the rows name their sequence.
std::vector<Column> regulonColumns(bool named)
{
    const SortAs text = SortAs::text, number = SortAs::number;
    std::vector<Column> columns;
    if (named)
        columns.push_back({"Sequence", text, "Unit"});
    columns.insert(columns.end(), {{"First gene", text, "Unit"},
                                   {"Genes", text, "Unit"},
                                   {"Operator hits", number, ""},
                                   {"Start", number, "Best hit"},
                                   {"Strand", text, "Best hit"},
                                   {"Score", number, "Best hit"},
                                   {"Distance", number, "Best hit"},
                                   {"p", number, "Best hit"},
                                   {"q", number, "Best hit"},
                                   {"Unit p", number, ""},
                                   {"Product", text, ""}});
    return columns;
}

std::string regulonSection(const ReportInputs& in)
{
    std::string text = "<section id=\"regulon\"><h2>Regulon</h2>\n";
    const std::string reason = noRegulonReason(in);
    if (!reason.empty())
        return text + "<p class=\"note\" id=\"no-regulon\">No regulon: " + escapeXml(reason) + "</p></section>";

    const std::vector<RegulonRow> rows = regulonRows(in.set, in.options, in.regulon);
    const std::string rule = selectionRuleText({in.regulon.bound}, " \u2264 ");
    if (rows.empty())
        return text + "<p id=\"no-regulon\">No gene heads a transcription unit with an operator hit of "
             + escapeXml(rule) + ".</p></section>";
    const std::size_t shown = std::min(rows.size(), mostTableRows);
    std::size_t sequences = 0;
    for (const Sequence& sequence : in.set.sequences)
        sequences += sequence.sourceFormat == 'G' && !sequence.genes.empty();
    const bool named = sequences > 1;

    text += "<p>" + withThousands(rows.size()) + " transcription units have a first gene with an operator hit of "
          + escapeXml(rule) + "; here they are as <code>--regulon</code> writes them, the least likely by chance first";
    text += shown < rows.size() ? " (the first " + withThousands(shown) + ").</p>\n" : ".</p>\n";
    text += "<table id=\"regulon-table\">\n<caption>The best hit is the first gene's operator hit of "
            "least p. Distance: from the site's centre to the gene's first base, negative upstream, in letters. "
            "Unit p: the chance of a window as good anywhere in the operator region.</caption>\n";
    text += tableHead(regulonColumns(named)) + "<tbody>\n";
    for (std::size_t i = 0; i < shown; ++i) {
        const RegulonRow& row = rows[i];
        const std::vector<Gene>& genes = row.sequence->genes;
        const Gene& first = genes[row.firstGene];
        const auto name = [](const Gene& gene) {
            return gene.fullGeneName().empty() ? gene.fullLocusTag() : gene.fullGeneName();
        };
        std::string unit;
        for (const std::size_t gene : row.unit)
            unit += (unit.empty() ? "" : ", ") + escapeXml(name(genes[gene]));
        const Hit& best = *row.best;
        const WindowSignificance& bestFigures = *row.bestSignificance;
        text += "<tr>" + (named ? cell(escapeXml(row.sequence->id)) : std::string()) + "<td"
              + attribute("title", first.fullLocusTag()) + ">" + escapeXml(name(first)) + "</td>" + cell(unit)
              + cell(std::to_string(row.operatorHits)) + cell(withThousands(row.bestStart))
              + cell(best.forward ? "+" : "&#8722;") + cell(figure(best.score, 6))
              + cell(halfLettersText(row.halfLettersToGene)) + cell(figure(bestFigures.pValue, 3))
              + cell(figure(bestFigures.qValue, 3)) + cell(figure(row.unitP, 3)) + cell(escapeXml(first.fullProduct()))
              + "</tr>\n";
    }
    return text + "</tbody></table></section>";
}

// ---- The hits

// The hit table's columns, in the order hitsSection writes its cells.
std::vector<Column> hitColumns(bool integration)
{
    const SortAs text = SortAs::text, number = SortAs::number;
    // Under integration the score is the integrated one; p, E and q are of the window's own score.
    const std::string own = integration ? "own " : "";
    return {{"Sequence", text, ""},  {"Start", number, ""},    {"Strand", text, ""},    {"Score", number, ""},
            {own + "p", number, ""}, {own + "E", number, ""},  {own + "q", number, ""}, {"Window", text, ""},
            {"Context", text, ""},   {"Distance", number, ""}, {"Gene", text, ""},      {"Locus tag", text, ""},
            {"Product", text, ""}};
}

std::string hitsSection(const ReportInputs& in)
{
    std::vector<PlacedHit> hits;
    for (const Sequence& sequence : in.set.sequences) {
        const std::vector<PlacedHit> own = placedHits(sequence);
        hits.insert(hits.end(), own.begin(), own.end());
    }
    const std::vector<PlacedHit> rows = bestHits(hits, ScoreSense::ofMethod(in.options.methodCode), mostTableRows);

    std::string text = "<section id=\"hits\"><h2>The hits</h2>\n<p>";
    text += hits.size() > rows.size()
              ? "The " + withThousands(rows.size()) + " most significant of " + withThousands(hits.size()) + " hits; "
                    + withThousands(hits.size() - rows.size()) + " more are in the results file and the other files."
              : "All " + withThousands(hits.size()) + " hits.";
    text += " Click a column's title to sort by it.</p>\n<table id=\"hit-table\">\n"
          + tableHead(hitColumns(in.options.useIntegration)) + "<tbody>\n";
    for (const auto& [hit, owner, figures] : rows) {
        const Sequence& sequence = *owner;
        const bool placed = hit->context != HitContext::Unknown;
        const GeneTexts gene = wholeGeneTexts(sequence, *hit);
        const std::string start = std::to_string(leftmostLetter(*hit, sequence.bases.size()) + 1);
        const std::string bound = figures->pValueIsBound ? "&#8804;" : "";
        text += "<tr>" + cell(escapeXml(sequence.id)) + cell(withThousands(std::stoull(start)), start)
              + cell(hit->forward ? "+" : "&#8722;") + cell(figure(hit->score, 6), figure(hit->score, 17))
              + cell(bound + figure(figures->pValue, 3), figure(figures->pValue, 17))
              + cell(figure(figures->eValue, 3), figure(figures->eValue, 17))
              + cell(figure(figures->qValue, 3), figure(figures->qValue, 17))
              + cell("<code>" + escapeXml(windowLetters(sequence.bases, *hit)) + "</code>")
              + cell(placed ? std::string(contextName(hit->context)) : "")
              + cell(placed ? std::to_string(hit->distance) : "", placed ? std::to_string(hit->distance) : "0")
              + cell(placed ? escapeXml(gene.geneName) : "") + cell(placed ? escapeXml(gene.locusTag) : "")
              + cell(placed ? escapeXml(gene.product) : "") + "</tr>\n";
    }
    return text + "</tbody></table></section>";
}

// ---- The page

// The page around the parts is src/report/page.html, built in as
// pageTemplate. Each slot there, @@NAME@@, takes the part of that name.
namespace slot {
enum Name { title, run, motif, cutoff, genome, regulon, hits, count };
}
constexpr std::string_view slotNames[slot::count] = {"@@TITLE@@",  "@@RUN@@",     "@@MOTIF@@", "@@CUTOFF@@",
                                                     "@@GENOME@@", "@@REGULON@@", "@@HITS@@"};
constexpr std::string_view slotMark = "@@";

// The slot of this name; slot::count for none.
constexpr std::size_t slotOf(std::string_view name)
{
    std::size_t slot = 0;
    while (slot < slot::count && slotNames[slot] != name)
        ++slot;
    return slot;
}

// Whether `page` has every slot and no other: a page without a slot would go
// out without its part, and one with an unknown slot would show its name.
constexpr bool slotsMatch(std::string_view page)
{
    for (const std::string_view name : slotNames)
        if (page.find(name) == std::string_view::npos)
            return false;
    for (std::size_t at = page.find(slotMark); at != std::string_view::npos;) {
        const std::size_t end = page.find(slotMark, at + slotMark.size());
        if (end == std::string_view::npos)
            return false;
        const std::string_view name = page.substr(at, end + slotMark.size() - at);
        if (slotOf(name) == slot::count)
            return false;
        at = page.find(slotMark, end + slotMark.size());
    }
    return true;
}
static_assert(slotsMatch(pageTemplate), "page.html must hold each of slotNames, and no other @@NAME@@");

// Writes the page with each slot filled by its part.
void fillPage(std::ostream& page, const std::string (&parts)[slot::count])
{
    std::string_view rest = pageTemplate;
    for (std::size_t at; (at = rest.find(slotMark)) != std::string_view::npos;) {
        page << rest.substr(0, at);
        const std::size_t end = rest.find(slotMark, at + slotMark.size()) + slotMark.size();
        const std::string_view name = rest.substr(at, end - at);
        page << parts[slotOf(name)];
        rest.remove_prefix(end);
    }
    page << rest;
}

} // namespace

void writeHtmlReport(const ReportInputs& inputs, const std::string& fileName)
{
    // The parts go out one by one into the page: a page of megabytes is
    // never copied whole.
    writeOutputFile(fileName, "HTML report", [&](std::ostream& page) {
        // The motif and the sequences by their names alone, without folders
        // and extensions: "lexa_sites on ecoli_k12".
        const std::string& motif = inputs.collection.motifName;
        const std::string sequences = stemOf(inputs.sequenceFile);
        std::string parts[slot::count];
        parts[slot::title] = escapeXml(motif.substr(motif.rfind('/') + 1)) + " on "
                           + escapeXml(sequences.substr(sequences.rfind('/') + 1));
        parts[slot::run] = runSection(inputs);
        parts[slot::motif] = motifSection(inputs);
        parts[slot::cutoff] = cutoffSection(inputs);
        parts[slot::genome] = genomeSection(inputs);
        parts[slot::regulon] = regulonSection(inputs);
        parts[slot::hits] = hitsSection(inputs);
        fillPage(page, parts);
    });
}
