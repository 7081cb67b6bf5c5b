#include "results/SelectionCutoff.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>

#include "scoring/Cutoff.h"
#include "scoring/ScoreDistribution.h"
#include "scoring/ScoreTable.h"

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

// Probes a narrow bracket of scores is cut into at a time: scores this close
// settle on the same granularities, so one call is about as dear as one
// score, while a wide bracket is halved one score at a time.
constexpr int probesPerCall = 64;
// A bracket this wide (in score units) or less is narrow.
constexpr double narrowBracket = 1.0;
// How far below the least score meeting a bound a loose cut-off may lie, in
// score units: a few hundredths of the windows of the example genome's bulk.
constexpr double looseResolution = 1e-3;
// Scores from a scan's cut-off to the best window whose p-values bound the
// windows a bound on q may keep.
constexpr int gridScores = 64;

// A bound's limit in the fewest significant digits that read back as itself.
std::string limitText(double limit)
{
    char text[32];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, limit);
        if (std::strtod(text, nullptr) == limit)
            break;
    }
    return text;
}

const char* figureName(SignificanceBound::Figure figure)
{
    switch (figure) {
    case SignificanceBound::Figure::pValue: return "p";
    case SignificanceBound::Figure::eValue: return "e";
    case SignificanceBound::Figure::qValue: return "q";
    }
    return "q";
}

} // namespace

std::string selectionRuleText(const std::vector<SignificanceBound>& bounds, const char* relation)
{
    std::string text;
    for (const SignificanceBound& bound : bounds) {
        if (!text.empty())
            text += " and ";
        text += bound.figure == SignificanceBound::Figure::eValue ? "E" : figureName(bound.figure);
        text += relation + limitText(bound.limit);
    }
    return text;
}

std::string selectionNameText(const std::vector<SignificanceBound>& bounds)
{
    std::string text;
    for (const SignificanceBound& bound : bounds) {
        if (!text.empty())
            text += '_';
        text += figureName(bound.figure) + limitText(bound.limit);
    }
    return text;
}

SelectionCutoff::SelectionCutoff(const ScoreDistribution& distribution, const ScoreTable& table,
                                 const std::array<double, 4>& background, ScoreSense sense,
                                 std::uint64_t windowsScanned)
    : distribution_(distribution), sense_(sense), windows_(static_cast<double>(windowsScanned))
{
    // The search asks for one score after another.
    distribution_.rememberEnumeratedWindows();
    // Each column's worst and best term, oriented, over the four bases; the
    // margin of one covers the rounding of the sums. Windows holding other
    // letters may score beyond: they get the best window's p-value.
    for (std::uint32_t k = 0; k < table.windowLength(); ++k) {
        double low = infinity, high = -infinity;
        for (const char letter : {'A', 'C', 'G', 'T'}) {
            const double term = sense_.oriented(table.term(k, letter));
            low = std::min(low, term);
            high = std::max(high, term);
        }
        double mean = 0.0, square = 0.0;
        for (std::size_t a = 0; a < 4; ++a) {
            if (background[a] == 0.0)
                continue; // a letter that never occurs
            const double term = sense_.oriented(table.term(k, "ACGT"[a]));
            mean += background[a] * term;
            square += background[a] * term * term;
        }
        mean_ += mean;
        variance_ += std::max(0.0, square - mean * mean);
        lowest_ += low;
        highest_ += high;
    }
    best_ = highest_;
    lowest_ -= 1.0 + std::fabs(lowest_);
    highest_ += 1.0 + std::fabs(highest_);
}

double SelectionCutoff::pOf(double oriented) const
{
    return distribution_.pValues({sense_.oriented(oriented)}).front().p;
}

// The least oriented score whose p-value meets the test, or, with a
// `resolution`, a score less than that by at most the resolution (every
// score that meets the test reaches it). A bracket around `guess` is sought
// first, widening, then halved while it is wide, then cut into probesPerCall
// down to adjacent doubles. p-values fall as scores rise, so the probes below
// the first that meets do not meet.
template <typename Meets>
double SelectionCutoff::leastMeeting(Meets meets, double guess, double resolution) const
{
    double low = lowest_, high = highest_;
    if (!meets(pOf(high)))
        return infinity;
    if (meets(pOf(low)))
        return -infinity;
    const auto pOfBoth = [&](double a, double b) {
        return distribution_.pValues({sense_.oriented(a), sense_.oriented(b)});
    };
    for (double reach = 1.0; guess > low && guess < high && high - low > narrowBracket; reach *= 4.0) {
        const double a = std::max(low, guess - reach), b = std::min(high, guess + reach);
        const std::vector<PValue> p = pOfBoth(a, b);
        const bool aMeets = meets(p[0].p), bMeets = meets(p[1].p);
        if (!aMeets)
            low = a;
        if (bMeets)
            high = b;
        guess = aMeets ? a : b;
    }
    while (high - low > narrowBracket) {
        const double middle = low + 0.5 * (high - low);
        (meets(pOf(middle)) ? high : low) = middle;
    }
    for (;;) {
        if (high - low <= resolution)
            return low;
        std::vector<double> probes;
        for (int i = 1; i < probesPerCall; ++i) {
            const double x = low + (high - low) * i / probesPerCall;
            if (x > low && x < high && (probes.empty() || x > probes.back()))
                probes.push_back(x);
        }
        if (probes.empty()) {
            const double next = std::nextafter(low, high);
            if (next >= high)
                return high;
            probes.push_back(next);
        }
        std::vector<double> scores = probes;
        for (double& score : scores)
            score = sense_.oriented(score);
        const std::vector<PValue> p = distribution_.pValues(scores);
        std::size_t first = 0;
        while (first < probes.size() && !meets(p[first].p))
            ++first;
        if (first < probes.size())
            high = probes[first];
        if (first > 0)
            low = probes[first - 1];
    }
}

// Where the normal law with the mean and variance of a random window's score
// puts the upper tail p: close to the cut-off in the bulk of the scores, a
// start for the search elsewhere.
double SelectionCutoff::normalGuess(double p) const
{
    double guess = 0.0;
    if (!normalQuantile(1.0 - p, p, mean_, std::sqrt(variance_), guess))
        return std::numeric_limits<double>::quiet_NaN();
    return guess;
}

double SelectionCutoff::pAndECutoff(const std::vector<SignificanceBound>& bounds) const
{
    // E is tested as the hit tables compute it, p times the windows scanned.
    double strictest = 1.0;
    for (const SignificanceBound& bound : bounds) {
        if (bound.figure == SignificanceBound::Figure::pValue)
            strictest = std::min(strictest, bound.limit);
        if (bound.figure == SignificanceBound::Figure::eValue)
            strictest = std::min(strictest, bound.limit / windows_);
    }
    const double oriented = leastMeeting(
        [&](double p) {
            for (const SignificanceBound& bound : bounds) {
                if (bound.figure == SignificanceBound::Figure::pValue && !(p <= bound.limit))
                    return false;
                if (bound.figure == SignificanceBound::Figure::eValue && !(p * windows_ <= bound.limit))
                    return false;
            }
            return true;
        },
        normalGuess(strictest), 0.0);
    return sense_.oriented(oriented);
}

double SelectionCutoff::pCutoff(double p) const
{
    return pAndECutoff({SignificanceBound{SignificanceBound::Figure::pValue, p}});
}

double SelectionCutoff::looseCutoff(double p) const
{
    const double oriented = leastMeeting([&](double value) { return value <= p; }, normalGuess(p), looseResolution);
    return sense_.oriented(oriented);
}

// Benjamini-Hochberg keeps the windows up to the largest rank k whose p-value
// p(k) has m p(k) / k <= q. Taking p as falling with the score, that is a
// score cut-off, found without the p-value of every window: for any K at
// least that k, a window whose p exceeds K q / m is not kept, so the windows
// better than it number another K at least k. The scores of a grid from the
// scan's cut-off to the best window have their p-values worked out at once,
// and the windows above each grid score are counted; rounds of the rule then
// shrink K about q-fold while chance windows fill the ranks. Once they stop
// shrinking it, the few windows left have their p-values worked out, and k
// follows as the q-values are computed, ties sharing the rank of the last of
// them.
double SelectionCutoff::qCutoff(const std::vector<const std::vector<double>*>& scoreLists, double q,
                                double scanCutoff) const
{
    if (q >= 1.0)
        return sense_.oriented(-infinity); // every q-value is at most 1
    const auto oriented = [&](double score) { return sense_.oriented(score); };
    const double from = oriented(scanCutoff);
    std::vector<double> grid;
    if (from < best_)
        for (int i = 0; i < gridScores; ++i)
            grid.push_back(from + (best_ - from) * i / gridScores);
    // above[i]: the windows scoring strictly above grid[i]; all of them last.
    std::vector<std::size_t> above(grid.size() + 1, 0);
    const double step = grid.empty() ? 0.0 : grid.size() > 1 ? grid[1] - grid[0] : 1.0;
    const auto gridCount = static_cast<std::ptrdiff_t>(grid.size());
    for (const std::vector<double>* scores : scoreLists) {
        for (const double score : *scores) {
            // The grid scores below it: found from the even spacing, then
            // settled by comparison.
            const double v = oriented(score);
            std::ptrdiff_t below = grid.empty() ? 0 : static_cast<std::ptrdiff_t>((v - from) / step);
            below = std::clamp<std::ptrdiff_t>(below, 0, gridCount);
            while (below < gridCount && grid[static_cast<std::size_t>(below)] < v)
                ++below;
            while (below > 0 && !(grid[static_cast<std::size_t>(below - 1)] < v))
                --below;
            ++above[static_cast<std::size_t>(below)];
        }
    }
    for (std::size_t i = grid.size(); i-- > 0;)
        above[i] += above[i + 1];
    const std::size_t all = above.front();
    above.erase(above.begin());

    std::vector<double> asked(grid.size());
    std::transform(grid.begin(), grid.end(), asked.begin(), oriented);
    const std::vector<PValue> gridP = distribution_.pValues(asked);
    std::size_t kept = all;
    double out = -infinity; // every window scoring this or worse is not kept
    for (;;) {
        // A hair above K q / m, that no rounding of m p / k can cross.
        const double level = static_cast<double>(kept) * q / windows_ * (1.0 + 1e-12);
        std::size_t i = grid.size();
        while (i > 0 && !(gridP[i - 1].p > level))
            --i;
        if (i == 0 || above[i - 1] >= kept)
            break;
        kept = above[i - 1];
        out = grid[i - 1];
    }

    // The windows left, by p-value, and the largest rank that qualifies.
    std::vector<double> left;
    left.reserve(kept);
    for (const std::vector<double>* scores : scoreLists)
        for (const double score : *scores)
            if (oriented(score) > out)
                left.push_back(score);
    const std::vector<PValue> p = distribution_.pValues(left);
    std::vector<std::size_t> order(left.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return p[x].p < p[y].p; });
    std::size_t qualifying = 0;
    for (std::size_t j = 0; j < order.size();) {
        const double value = p[order[j]].p;
        while (j < order.size() && p[order[j]].p == value)
            ++j;
        if (windows_ * value / static_cast<double>(j) <= q)
            qualifying = j;
    }
    if (qualifying == 0)
        return pAndECutoff({SignificanceBound{SignificanceBound::Figure::eValue, q}});
    double cutoff = infinity;
    for (std::size_t j = 0; j < qualifying; ++j)
        cutoff = std::min(cutoff, oriented(left[order[j]]));
    return oriented(cutoff);
}

double SelectionCutoff::strictCutoffFor(double cutoff) const
{
    return std::nextafter(cutoff, sense_.oriented(-infinity));
}

double SelectionCutoff::stricter(double a, double b) const
{
    return sense_.best(a, b);
}
