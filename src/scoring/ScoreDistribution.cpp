#include "scoring/ScoreDistribution.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "scoring/ScoreTable.h"

namespace {
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();
// Bounds this close, (upper - lower) / upper, are final: their midpoint is
// then within 0.9e-3 of the p-value, relatively.
constexpr double tolerance = 1.8e-3;
// Bins of the first pass, and the most any pass may take.
constexpr double firstBins = 2048.0;
constexpr double mostBins = 1 << 21;
// Scores that at most this many windows reach (as the first pass counts them)
// may be settled by enumerating the windows, in at most so many steps.
constexpr double enumerableWindows = 1 << 15;
constexpr std::size_t enumerationSteps = 1 << 20;
// Single precision holds the masses of the passes (half the memory traffic)
// when no window is rarer than this, far from the smallest normal floats; the
// bounds then err by about 1e-6, relatively.
constexpr double floatSafeMass = 1e-30;

// std::ceil for |x| < 2^62, inline (without SSE4.1 std::ceil is a call).
double roundUp(double x)
{
    const auto whole = static_cast<double>(static_cast<std::int64_t>(x));
    return whole < x ? whole + 1.0 : whole;
}

// state[i] = sum of weight[j] * state[i + shift[j]] for i in [from, to), in
// place: every read is at or above the index written, and each chunk is
// written back only once computed, so the reads see the previous column. The
// chunk buffer cannot alias the state, so that the loops vectorise.
template <typename Real>
void convolve(Real* state, std::size_t from, std::size_t to, std::uint32_t count, const std::array<Real, 4>& weight,
              const std::array<std::size_t, 4>& shift)
{
    constexpr std::size_t chunk = 512;
    Real out[chunk];
    const Real w0 = weight[0], w1 = weight[1], w2 = weight[2], w3 = weight[3];
    for (std::size_t start = from; start < to; start += chunk) {
        const std::size_t n = std::min(chunk, to - start);
        const Real* c0 = state + start + shift[0];
        const Real* c1 = state + start + shift[1];
        const Real* c2 = state + start + shift[2];
        const Real* c3 = state + start + shift[3];
        switch (count) {
        case 1:
            for (std::size_t i = 0; i < n; ++i)
                out[i] = w0 * c0[i];
            break;
        case 2:
            for (std::size_t i = 0; i < n; ++i)
                out[i] = w0 * c0[i] + w1 * c1[i];
            break;
        case 3:
            for (std::size_t i = 0; i < n; ++i)
                out[i] = w0 * c0[i] + w1 * c1[i] + w2 * c2[i];
            break;
        default:
            for (std::size_t i = 0; i < n; ++i)
                out[i] = w0 * c0[i] + w1 * c1[i] + w2 * c2[i] + w3 * c3[i];
            break;
        }
        std::copy(out, out + n, state + start);
    }
}
} // namespace

ScoreDistribution::ScoreDistribution(const ScoreTable& table, const std::array<double, 4>& background,
                                     bool lowerIsBetter)
    : negate(lowerIsBetter)
{
    double total = 0.0;
    for (double probability : background) {
        if (!(probability >= 0.0) || !std::isfinite(probability)) {
            reason = "a background probability is not a finite non-negative number";
            return;
        }
        total += probability;
    }
    if (!(total > 0.0)) {
        reason = "the background probabilities are all zero";
        return;
    }

    const std::uint32_t length = table.windowLength();
    columns.resize(length);
    double magnitude = 0.0; // sum over columns of the largest |term|: bounds every partial sum
    double rarest = 1.0;    // the least probable window's mass
    for (std::uint32_t k = 0; k < length; ++k) {
        std::array<std::pair<double, double>, 4> letters{};
        std::uint32_t count = 0;
        for (std::size_t a = 0; a < 4; ++a) {
            // A letter without mass never occurs in a random window: its term is ignored.
            if (background[a] == 0.0)
                continue;
            const double term = table.term(k, static_cast<unsigned char>("ACGT"[a]));
            if (!std::isfinite(term)) {
                reason = "a score term is not finite";
                return;
            }
            letters[count++] = {negate ? -term : term, background[a] / total};
        }
        // Best term first; an insertion sort of at most four (std::sort here
        // draws a false array-bounds warning from GCC under the sanitizers).
        for (std::uint32_t a = 1; a < count; ++a)
            for (std::uint32_t b = a; b > 0 && letters[b - 1].first < letters[b].first; --b)
                std::swap(letters[b - 1], letters[b]);
        Column& column = columns[k];
        double least = 1.0;
        for (std::uint32_t a = 0; a < count; ++a) {
            least = std::min(least, letters[a].second);
            if (column.count > 0 && column.term[column.count - 1] == letters[a].first) {
                column.probability[column.count - 1] += letters[a].second;
                continue;
            }
            column.term[column.count] = letters[a].first;
            column.probability[column.count] = letters[a].second;
            ++column.count;
        }
        magnitude += std::max(std::fabs(column.term[0]), std::fabs(column.term[column.count - 1]));
        rarest *= least;
    }
    // Every sum of terms here and in the scan is within this of the exact sum
    // (n additions err by at most n * DBL_EPSILON / 2 of the magnitude); the
    // bounds widen by it, so that they hold for the scan's own sums.
    slack = 4.0 * (length + 2.0) * DBL_EPSILON * magnitude;
    // No granularity finer than that rounding; bins stay far below 2^53.
    finest = std::max(slack, std::ldexp(magnitude, -40));
    singlePrecision = rarest >= floatSafeMass;

    // Rounding is monotonic: the best (worst) letter of every column, summed
    // in column order, gives the best (worst) score exactly as the scan would.
    maxRemaining.assign(length + 1, 0.0);
    for (std::uint32_t k = length; k-- > 0;)
        maxRemaining[k] = maxRemaining[k + 1] + columns[k].term[0];
    for (const Column& column : columns) {
        bestScore += column.term[0];
        lowestScore += column.term[column.count - 1];
    }
    // Windows scoring the same as the best one add to its mass; only
    // thousands of near ties could make them too many to enumerate.
    std::vector<double> best;
    if (enumerateTails({bestScore}, best)) {
        bestMass = best.front();
    } else {
        bestMass = 1.0;
        for (const Column& column : columns)
            bestMass *= column.probability[0];
    }

    // Bin sums do not depend on the order of the columns: the narrowest go
    // first, so that the first columns of a pass touch few bins.
    binOrder.resize(length);
    for (std::uint32_t k = 0; k < length; ++k)
        binOrder[k] = k;
    std::stable_sort(binOrder.begin(), binOrder.end(), [this](std::uint32_t x, std::uint32_t y) {
        const Column& a = columns[x];
        const Column& b = columns[y];
        return a.term[0] - a.term[a.count - 1] < b.term[0] - b.term[b.count - 1];
    });
}

std::vector<PValue> ScoreDistribution::pValues(const std::vector<double>& scores) const
{
    std::vector<PValue> result(scores.size(), PValue{notANumber, false});
    if (!available())
        return result;
    // Oriented so that higher is better; those beyond the best or at most the
    // lowest score need no pass.
    std::vector<double> values;
    std::vector<std::uint32_t> asked;
    values.reserve(scores.size());
    asked.reserve(scores.size());
    for (std::size_t i = 0; i < scores.size(); ++i) {
        const double value = negate ? -scores[i] : scores[i];
        if (value > bestScore) {
            result[i] = {bestMass, true};
        } else if (value <= lowestScore) {
            result[i] = {1.0, false}; // every window scores at least this
        } else if (!std::isnan(value)) {
            values.push_back(value);
            asked.push_back(static_cast<std::uint32_t>(i));
        }
    }
    if (values.empty())
        return result;
    const std::vector<double> p = tails(values);
    // No tail is below the best window's own mass, not even by rounding.
    for (std::size_t j = 0; j < asked.size(); ++j)
        result[asked[j]] = {std::max(p[j], bestMass), false};
    return result;
}

double ScoreDistribution::pBeyond(double cutoff) const
{
    if (!available())
        return notANumber;
    if (std::isnan(cutoff))
        return 0.0; // no score passes a NaN cut-off
    // Scores are doubles: strictly above x is at least the next double.
    const double value = std::nextafter(negate ? -cutoff : cutoff, infinity);
    if (value > bestScore)
        return 0.0;
    return pValues({negate ? -value : value}).front().p;
}

// TFM-Pvalue's bounds. With granularity g and an offset c per column, each
// term t is c + b * g + r, b an integer, r in [0, g); a window's score S is
// C + g * B + R, B the sum of its b, C of the c, R between the sums of each
// column's least and greatest r (Rlo, Rhi). So
// P(g * B >= s - C - Rlo) <= P(S >= s) <= P(g * B >= s - C - Rhi), each
// widened by the rounding slack, and the distribution of B is a convolution
// over the columns. Only partial sums that can still reach the bin of the
// lowest score asked for are kept: a band of the same width at every column.
// Scores whose bounds disagree are done again with a finer g, over the band
// of the lowest of them.
//
// No granularity separates the windows that score the same as s, or within
// the rounding slack of it: where few windows score as well, their mass keeps
// the bounds apart. A coarse pilot pass also counts the windows, and such
// scores are settled by enumerating them.
std::vector<double> ScoreDistribution::tails(const std::vector<double>& values) const
{
    const std::size_t n = values.size();
    const double least = *std::min_element(values.begin(), values.end());
    std::vector<float> singleState;
    std::vector<double> doubleState;
    // One pass at granularity g: tail[i] = P(B >= lowest + i), where lowest
    // is the bin that `from` falls in for the upper bound; with the functions
    // giving a score's bins for the lower and the upper bound.
    struct Pass {
        Discretisation bins;
        double perBin, lowShift, highShift, lowest;
        std::size_t width;
        std::vector<double> tail;
        // The few roundings of these bin positions are far within the slack.
        double lowBin(double value) const { return roundUp((value - bins.offset) * perBin + lowShift); }
        double highBin(double value) const { return roundUp((value - bins.offset) * perBin + highShift); }
        double at(double bin) const
        {
            const double index = bin - lowest;
            if (index >= static_cast<double>(width))
                return 0.0;
            return tail[static_cast<std::size_t>(std::max(index, 0.0))];
        }
    };
    const auto run = [&](Pass& pass, double granularity, double from, bool counting) {
        pass.bins = discretise(granularity);
        pass.perBin = 1.0 / granularity;
        pass.lowShift = (slack - pass.bins.residualLow) * pass.perBin;
        pass.highShift = (-slack - pass.bins.residualHigh) * pass.perBin;
        pass.lowest =
            std::clamp(pass.highBin(from), static_cast<double>(pass.bins.worst), static_cast<double>(pass.bins.best));
        pass.width = static_cast<std::size_t>(static_cast<double>(pass.bins.best) - pass.lowest + 1.0);
        if (singlePrecision)
            binTails(pass.bins, pass.width, counting, singleState, pass.tail);
        else
            binTails(pass.bins, pass.width, counting, doubleState, pass.tail);
    };

    // A coarse pilot pass: the bounds of a sample of the scores say how fine
    // the first real pass must be; the windows it counts say which scores may
    // be enumerated.
    const double coarse = std::max((bestScore - least) / firstBins, finest);
    Pass pilot, windows;
    run(pilot, coarse, least, false);
    run(windows, coarse, least, true);
    std::vector<double> needed;
    for (std::size_t j = 0; j < n; j += std::max<std::size_t>(1, n / 4096)) {
        const double upper = pilot.at(pilot.highBin(values[j]));
        const double gap = upper > 0.0 ? 1.0 - pilot.at(pilot.lowBin(values[j])) / upper : 0.0;
        if (gap > tolerance)
            needed.push_back(tolerance / gap);
    }

    struct Bounds {
        double lower = 0.0, upper = 1.0;
    };
    std::vector<Bounds> bounds(n);
    std::vector<std::uint32_t> open(n);
    for (std::size_t i = 0; i < n; ++i)
        open[i] = static_cast<std::uint32_t>(i);
    std::vector<double> ascending, exact;
    // Settles the given scores exactly, unless the enumeration is too long.
    const auto enumerate = [&](std::vector<std::uint32_t>& chosen) {
        std::sort(chosen.begin(), chosen.end(),
                  [&](std::uint32_t x, std::uint32_t y) { return values[x] < values[y]; });
        ascending.clear();
        for (std::uint32_t i : chosen)
            ascending.push_back(values[i]);
        if (!enumerateTails(ascending, exact))
            return false;
        for (std::size_t j = 0; j < chosen.size(); ++j)
            bounds[chosen[j]].lower = bounds[chosen[j]].upper = exact[j];
        return true;
    };

    double granularity = coarse;
    Pass pass;
    std::vector<std::uint32_t> unsettled, few;
    std::vector<bool> stalled; // by unsettled score: the pass narrowed its gap too little to go on
    double lowestOpen = least;
    for (int round = 0; round == 0 || !open.empty(); ++round) {
        // The gaps shrink about in proportion to g: refine enough for nearly
        // all of the open scores at once, a finer pass costing less than
        // another pass for the rest.
        if (!needed.empty()) {
            const auto quantile = needed.begin() + static_cast<std::ptrdiff_t>(needed.size() / 64);
            std::nth_element(needed.begin(), quantile, needed.end());
            granularity *= std::clamp(0.9 * *quantile, 1.0 / 256.0, round == 0 ? 1.0 : 0.5);
        }
        if (granularity < finest || (bestScore - lowestOpen) / granularity > mostBins) {
            enumerate(open);
            break;
        }
        run(pass, granularity, lowestOpen, false);

        unsettled.clear();
        stalled.clear();
        double lowestFew = infinity, lowestStalled = infinity;
        for (std::uint32_t i : open) {
            Bounds& b = bounds[i];
            const double before = 1.0 - b.lower / b.upper;
            b.lower = std::max(b.lower, pass.at(pass.lowBin(values[i])));
            b.upper = std::min(b.upper, pass.at(pass.highBin(values[i])));
            const double gap = b.upper > 0.0 ? 1.0 - b.lower / b.upper : 0.0;
            if (gap <= tolerance)
                continue;
            // A gap that barely narrows with a finer g is the mass of windows
            // that score the same.
            stalled.push_back(round > 0 && gap > 0.7 * before);
            unsettled.push_back(i);
            if (stalled.back())
                lowestStalled = std::min(lowestStalled, values[i]);
            if (windows.at(windows.highBin(values[i])) <= enumerableWindows)
                lowestFew = std::min(lowestFew, values[i]);
        }
        // Enumerating the windows settles what a finer pass might not: the
        // scores that few windows reach (the highest ones) and, if it does not
        // take too long, the stalled ones. A score is settled with all those
        // above it.
        double settledFrom = infinity;
        for (double from : {std::min(lowestFew, lowestStalled), lowestFew}) {
            few.clear();
            for (std::uint32_t i : unsettled)
                if (values[i] >= from)
                    few.push_back(i);
            if (!few.empty() && enumerate(few)) {
                settledFrom = from;
                break;
            }
        }
        // What no granularity settles, the midpoint of the bounds has to do.
        open.clear();
        needed.clear();
        lowestOpen = infinity;
        for (std::size_t j = 0; j < unsettled.size(); ++j) {
            const std::uint32_t i = unsettled[j];
            if (stalled[j] || values[i] >= settledFrom)
                continue;
            open.push_back(i);
            needed.push_back(tolerance / (1.0 - bounds[i].lower / bounds[i].upper));
            lowestOpen = std::min(lowestOpen, values[i]);
        }
    }
    std::vector<double> p(n);
    for (std::size_t i = 0; i < n; ++i)
        p[i] = 0.5 * (bounds[i].lower + bounds[i].upper);
    return p;
}

ScoreDistribution::Discretisation ScoreDistribution::discretise(double granularity) const
{
    Discretisation bins;
    const double g = bins.granularity = granularity;
    bins.bins.resize(4 * columns.size());
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const Column& column = columns[binOrder[k]];
        // The offset starts the residues (as fractions of g, ascending) after
        // the widest gap between two of them, going round from 1 to 0: that
        // makes their spread, greatest less least, the least it can be.
        std::array<double, 4> fraction{};
        for (std::uint32_t a = 0; a < column.count; ++a) {
            const double x = column.term[a] / g - std::floor(column.term[a] / g);
            std::uint32_t at = a;
            for (; at > 0 && fraction[at - 1] > x; --at)
                fraction[at] = fraction[at - 1];
            fraction[at] = x;
        }
        double start = 0.0, widestGap = fraction[0] + 1.0 - fraction[column.count - 1];
        for (std::uint32_t a = 1; a < column.count; ++a) {
            if (fraction[a] - fraction[a - 1] > widestGap) {
                widestGap = fraction[a] - fraction[a - 1];
                start = fraction[a];
            }
        }
        const double offset = start * g;
        double low = infinity, high = -infinity;
        for (std::uint32_t a = 0; a < column.count; ++a) {
            const double b = std::floor((column.term[a] - offset) / g);
            const double r = column.term[a] - offset - b * g;
            low = std::min(low, r);
            high = std::max(high, r);
            bins.bins[4 * k + a] = static_cast<std::int64_t>(b);
        }
        bins.offset += offset;
        bins.residualLow += low;
        bins.residualHigh += high;
        bins.best += bins.bins[4 * k];
        bins.worst += bins.bins[4 * k + column.count - 1];
    }
    return bins;
}

// tail[i] = P(B >= lowest + i) for the `width` highest bin sums, lowest =
// best - width + 1; when `counting`, the number of such windows instead
// (letters of equal terms taken as one, as the enumeration takes them). Index
// i at column k stands for the partial bin sum lowest - (best bins of columns
// k..) + i: a letter below a column's best moves a state down by the
// difference of their bins, out of the band when that partial sum can no
// longer reach `lowest`. The state is padded with zeros above.
template <typename Real>
void ScoreDistribution::binTails(const Discretisation& bins, std::size_t width, bool counting, std::vector<Real>& state,
                                 std::vector<double>& tail) const
{
    std::int64_t widest = 0;
    for (std::size_t k = 0; k < columns.size(); ++k)
        widest = std::max(widest, bins.bins[4 * k] - bins.bins[4 * k + columns[binOrder[k]].count - 1]);
    state.assign(width + std::min(width, static_cast<std::size_t>(widest)), Real(0));
    state[width - 1] = Real(1);
    std::size_t from = width - 1;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const Column& column = columns[binOrder[k]];
        std::array<std::size_t, 4> shift{};
        std::array<Real, 4> weight{};
        std::uint32_t count = 0;
        for (; count < column.count; ++count) {
            const std::int64_t difference = bins.bins[4 * k] - bins.bins[4 * k + count];
            if (difference >= static_cast<std::int64_t>(width))
                break;
            shift[count] = static_cast<std::size_t>(difference);
            weight[count] = counting ? Real(1) : static_cast<Real>(column.probability[count]);
        }
        from -= std::min(from, shift[count - 1]);
        convolve(state.data(), from, width, count, weight, shift);
    }
    tail.assign(width, 0.0);
    double sum = 0.0;
    for (std::size_t i = width; i-- > from;)
        tail[i] = sum += static_cast<double>(state[i]);
    std::fill(tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(from), sum);
}

// Every window scoring at least ascending.front(), depth first, each summed as
// the scan sums it: exact tails for all the values, or false after
// enumerationSteps steps. A partial sum that cannot reach the lowest value
// even with the best of the remaining columns is not followed; nor, since a
// column's letters come best first, are the letters after it.
bool ScoreDistribution::enumerateTails(const std::vector<double>& ascending, std::vector<double>& tail) const
{
    const std::size_t length = columns.size();
    const double lowest = ascending.front();
    std::vector<double> mass(ascending.size(), 0.0); // by the highest value each window reaches
    const auto add = [&](double score, double weight) {
        std::size_t reached = 0;
        if (ascending.size() <= 16) {
            // Few values: counted without branches.
            for (double value : ascending)
                reached += value <= score;
        } else {
            reached = static_cast<std::size_t>(std::upper_bound(ascending.begin(), ascending.end(), score)
                                               - ascending.begin());
        }
        mass[reached - 1] += weight;
    };
    std::vector<std::uint32_t> letter(length + 1, 0);
    std::vector<double> sum(length + 1, 0.0), weight(length + 1, 1.0);
    std::size_t steps = 0;
    std::size_t depth = 0;
    while (length > 0) {
        const Column& column = columns[depth];
        if (depth + 1 == length) {
            // The last column: each letter ends a window.
            for (std::uint32_t a = 0; a < column.count; ++a, ++steps) {
                const double score = sum[depth] + column.term[a];
                if (score < lowest)
                    break;
                add(score, weight[depth] * column.probability[a]);
            }
        } else {
            const std::uint32_t a = letter[depth];
            if (a < column.count && sum[depth] + column.term[a] + maxRemaining[depth + 1] + slack >= lowest) {
                if (++steps > enumerationSteps)
                    return false;
                letter[depth] = a + 1;
                sum[depth + 1] = sum[depth] + column.term[a];
                weight[depth + 1] = weight[depth] * column.probability[a];
                letter[++depth] = 0;
                continue;
            }
        }
        if (depth == 0)
            break;
        --depth;
    }
    if (length == 0 && 0.0 >= lowest)
        add(0.0, 1.0);
    tail.assign(ascending.size(), 0.0);
    double total = 0.0;
    for (std::size_t i = ascending.size(); i-- > 0;)
        tail[i] = total += mass[i];
    return true;
}
