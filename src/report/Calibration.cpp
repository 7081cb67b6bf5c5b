#include "report/Calibration.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <limits>

#include "base/NumberText.h"
#include "motif/Background.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "scoring/Cutoff.h"
#include "scoring/ScoreDistribution.h"
#include "scoring/ScoreSense.h"
#include "scoring/ScoreTable.h"
#include "scoring/Scoring.h"
#include "sequences/Sequence.h"

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
// With two sites a held-out model has one, whose scores have no spread to fit.
constexpr std::size_t fewestSites = 3;
// Fitted thresholds 0.50, 0.52, ..., 0.98 (in hundredths), then 0.99: beyond
// it the cut-off lies where a few dozen sites tell nothing about the tail.
constexpr int firstHundredths = 50, lastHundredths = 98, stepHundredths = 2;
constexpr double lastFitted = 0.99;
// Literal cut-offs: this many steps from the lowest site score to the highest.
constexpr int literalSteps = 30;

std::string fourteenDigits(double value)
{
    char text[32];
    return std::string(text, putFourteenDigits(text, value));
}

// Puts the run's own value into an ascending grid and returns its index. Grid
// values within `closeness` of it go: the run's 0.8 is the single-precision
// 0.8 widened, and two points a hair apart would plot as one.
std::size_t placeRunValue(std::vector<double>& grid, double runValue, double closeness)
{
    grid.erase(std::remove_if(grid.begin(), grid.end(),
                              [&](double value) { return std::fabs(value - runValue) <= closeness; }),
               grid.end());
    const auto at = std::upper_bound(grid.begin(), grid.end(), runValue);
    return static_cast<std::size_t>(grid.insert(at, runValue) - grid.begin());
}

std::vector<double> fittedGrid()
{
    std::vector<double> grid;
    for (int hundredths = firstHundredths; hundredths <= lastHundredths; hundredths += stepHundredths)
        grid.push_back(hundredths / 100.0);
    grid.push_back(lastFitted);
    return grid;
}

std::vector<double> literalGrid(const std::vector<double>& siteScores)
{
    const auto [lowest, highest] = std::minmax_element(siteScores.begin(), siteScores.end());
    const double step = (*highest - *lowest) / literalSteps;
    std::vector<double> grid{*lowest};
    if (step > 0.0) {
        for (int k = 1; k < literalSteps; ++k)
            grid.push_back(*lowest + k * step);
        grid.push_back(*highest);
    }
    return grid;
}

// The windows' scores under a model, bit for bit as ScoreTable::score gives
// them: 0.0 plus the same term of each letter, in window order. Only the
// terms of the letters the windows hold are worked out, where a table works
// out all 256 of every column: the curve builds a model for every site.
std::vector<double> scoresOf(std::int32_t method, const SiteCollection& model, const Sequence& referenceSequence,
                             const std::vector<std::string>& windows)
{
    const TermInputs inputs(model, referenceSequence);
    std::vector<double> scores(windows.size(), 0.0);
    std::array<double, 256> terms{};
    std::bitset<256> known;
    for (std::size_t k = 0; k < model.siteLength; ++k) {
        known.reset();
        for (std::size_t i = 0; i < windows.size(); ++i) {
            const auto letter = static_cast<unsigned char>(windows[i][k]);
            if (!known[letter]) {
                terms[letter] = letterTerm(method, inputs, k, letter, updatedColumnMeasure(method, inputs, k, letter));
                known.set(letter);
            }
            scores[i] += terms[letter];
        }
    }
    return scores;
}

// Whether the model without site `left` can be built: the rest must give a
// counted letter at every position, or the collection would be rejected.
bool canLeaveOut(const std::vector<std::string>& windows, std::size_t left)
{
    for (std::size_t k = 0; k < windows.front().size(); ++k) {
        bool counted = false;
        for (std::size_t j = 0; j < windows.size() && !counted; ++j) {
            if (j == left)
                continue;
            BaseCounts counts;
            counts.add(static_cast<unsigned char>(windows[j][k]));
            counted = counts.countA + counts.countC + counts.countG + counts.countT > 0.0;
        }
        if (!counted)
            return false;
    }
    return true;
}

// pBeyond of every cut-off in one batch, where each call on its own would run
// the whole dynamic programme. Strictly better than a cut-off is at least as
// good as the next double on the better side.
std::vector<double> probabilitiesBeyond(const ScoreDistribution& chance, const std::vector<double>& cutoffs,
                                        ScoreSense sense)
{
    const double towards = sense.oriented(std::numeric_limits<double>::infinity());
    std::vector<double> next;
    next.reserve(cutoffs.size());
    for (const double cutoff : cutoffs)
        next.push_back(std::nextafter(cutoff, towards));
    const std::vector<PValue> p = chance.pValues(next);
    std::vector<double> beyond(cutoffs.size());
    for (std::size_t i = 0; i < cutoffs.size(); ++i) {
        if (!chance.available())
            beyond[i] = notANumber;
        else if (std::isnan(cutoffs[i]) || p[i].bound)
            beyond[i] = 0.0; // no window beats a NaN cut-off or the best window's score
        else
            beyond[i] = p[i].p;
    }
    return beyond;
}

void addSentence(std::string& note, const std::string& sentence)
{
    if (!note.empty())
        note += ' ';
    note += sentence;
}

// The curve of a motif given as a count matrix: it has no known sites, so the
// share at each cut-off is of the windows drawn from the model itself, and
// there is no held-out share. The cut-offs are those of the fitted grid's
// shares, or literal ones between those of shares 0.99 and 0.50.
Calibration calibrateMatrix(const SiteCollection& collection, const Options& options, const Sequence& referenceSequence,
                            const ScoreDistribution& chance, std::uint64_t windowsScanned)
{
    Calibration result;
    result.literal = options.literalCutoff;
    result.note = "A count matrix has no known sites: the share is of the windows drawn from the model itself, "
                  "and there is no held-out share.";
    const ScoreSense sense = ScoreSense::ofMethod(options.methodCode);
    const ScoreTable table(options.methodCode, referenceSequence, collection);
    std::vector<double> grid;
    std::vector<double> cutoffs;
    if (result.literal) {
        const double worst = matrixCutoff(table, collection, sense, 0.99);
        const double best = matrixCutoff(table, collection, sense, 0.50);
        const double step = (best - worst) / literalSteps;
        grid.push_back(worst);
        for (int k = 1; k < literalSteps && step != 0.0; ++k)
            grid.push_back(worst + k * step);
        grid.push_back(best);
        std::sort(grid.begin(), grid.end());
        result.runPoint = placeRunValue(grid, options.threshold, std::fabs(step) / 4.0);
        cutoffs = grid;
    } else {
        grid = fittedGrid();
        result.runPoint = placeRunValue(grid, options.threshold, stepHundredths / 100.0 / 4.0);
        for (const double threshold : grid)
            cutoffs.push_back(matrixCutoff(table, collection, sense, threshold));
    }
    std::vector<std::array<double, 4>> columns;
    for (const MotifColumn& column : collection.columns)
        columns.push_back({column.freqA, column.freqC, column.freqG, column.freqT});
    const ScoreDistribution model(table, columns, sense);
    const std::vector<double> inModel = probabilitiesBeyond(model, cutoffs, sense);
    const std::vector<double> beyond = probabilitiesBeyond(chance, cutoffs, sense);
    if (!chance.available())
        addSentence(result.note, "Expected chance hits are not available: " + chance.unavailableReason() + ".");
    for (std::size_t t = 0; t < grid.size(); ++t)
        result.points.push_back(
            {grid[t], cutoffs[t], notANumber, inModel[t], beyond[t] * static_cast<double>(windowsScanned)});
    return result;
}

} // namespace

Calibration calibrate(const SiteCollection& collection, const Options& options, const Sequence& referenceSequence,
                      const ScoreDistribution& chance, std::uint64_t windowsScanned)
{
    if (collection.sites.empty())
        return calibrateMatrix(collection, options, referenceSequence, chance, windowsScanned);
    Calibration result;
    result.literal = options.literalCutoff;
    const std::size_t siteCount = collection.sites.size();
    if (siteCount < fewestSites) {
        result.note = "No calibration curve: it needs at least " + std::to_string(fewestSites)
                    + " known sites, so that each can be left out of a model of the others with some spread.";
        return result;
    }
    const ScoreSense sense = ScoreSense::ofMethod(options.methodCode);
    if (options.useIntegration)
        addSentence(result.note, std::string("Cut-offs are on the window's own score: the scan ")
                                     + (sense.lowerIsBetter() ? "multiplies" : "divides")
                                     + " them by the cut-off factor " + fourteenDigits(options.cutoffFactor)
                                     + " and compares the integrated score.");

    std::vector<std::string> windows;
    windows.reserve(siteCount);
    for (const Site& site : collection.sites)
        windows.push_back(site.window);

    const std::vector<double> fullScores = scoresOf(options.methodCode, collection, referenceSequence, windows);
    const ScoreFit fullFit = fitSiteScores(fullScores);

    std::vector<double> grid;
    if (result.literal) {
        grid = literalGrid(fullScores);
        const double step = grid.size() > 1 ? grid[1] - grid[0] : 0.0;
        result.runPoint = placeRunValue(grid, options.threshold, step / 4.0);
        addSentence(result.note, "The cut-off is literal: the curve is over literal cut-offs from the worst to the "
                                 "best site score, the run's own among them.");
    } else {
        grid = fittedGrid();
        result.runPoint = placeRunValue(grid, options.threshold, stepHundredths / 100.0 / 4.0);
    }

    // Each reduced model is built and fitted once: its fit gives its cut-off
    // at every threshold.
    std::vector<ScoreFit> heldOutFits;
    std::vector<double> heldOutScores;
    std::vector<std::string> others;
    for (std::size_t left = 0; left < siteCount; ++left) {
        if (!canLeaveOut(windows, left))
            continue;
        others.clear();
        for (std::size_t j = 0; j < siteCount; ++j) {
            if (j != left)
                others.push_back(windows[j]);
        }
        const SiteCollection reduced = SiteCollection::fromSites(others, referenceSequence);
        others.push_back(windows[left]); // scored in the same pass, last
        std::vector<double> scores = scoresOf(options.methodCode, reduced, referenceSequence, others);
        heldOutScores.push_back(scores.back());
        scores.pop_back();
        heldOutFits.push_back(fitSiteScores(scores));
    }
    if (heldOutFits.size() < siteCount)
        addSentence(result.note, std::to_string(siteCount - heldOutFits.size()) + " of the " + std::to_string(siteCount)
                                     + " sites cannot be left out: the others have no base at some position. "
                                       "Held-out recall is over the rest.");

    std::vector<double> cutoffs;
    cutoffs.reserve(grid.size());
    for (const double threshold : grid)
        cutoffs.push_back(cutoffAt(fullFit, threshold, options));
    const std::vector<double> beyond = probabilitiesBeyond(chance, cutoffs, sense);
    if (!chance.available())
        addSentence(result.note, "Expected chance hits are not available: " + chance.unavailableReason() + ".");

    const auto share = [](std::size_t count, std::size_t total) {
        return total == 0 ? notANumber : static_cast<double>(count) / static_cast<double>(total);
    };
    for (std::size_t t = 0; t < grid.size(); ++t) {
        std::size_t inSample = 0;
        for (const double score : fullScores)
            inSample += sense.passes(score, cutoffs[t]) ? 1 : 0;
        std::size_t heldOut = 0;
        for (std::size_t i = 0; i < heldOutFits.size(); ++i)
            heldOut += sense.passes(heldOutScores[i], cutoffAt(heldOutFits[i], grid[t], options)) ? 1 : 0;
        result.points.push_back({grid[t], cutoffs[t], share(heldOut, heldOutFits.size()), share(inSample, siteCount),
                                 beyond[t] * static_cast<double>(windowsScanned)});
    }
    return result;
}
