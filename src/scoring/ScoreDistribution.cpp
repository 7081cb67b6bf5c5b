#include "scoring/ScoreDistribution.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "scoring/ConvolveKernel.h"
#include "scoring/ScoreTable.h"

namespace {
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();
// Bounds this close, (upper - lower) / upper, are final: their midpoint is
// then within 0.9e-3 of the p-value, relatively.
constexpr double tolerance = 1.8e-3;
// Bins of the first rung over the whole range of scores, and the most any
// pass may take.
constexpr double firstBins = 2048.0;
constexpr double mostBins = 1 << 21;
// A score climbs at most this many rungs (halvings of the granularity) at once.
constexpr int mostRungs = 8;
// Scores that at most this many windows reach (as the first rung counts them)
// are settled by enumerating the windows; so are those whose bounds stall on
// ties, up to the second count.
constexpr double enumerableWindows = 1 << 15;
constexpr double enumerableTiedWindows = 1 << 20;
constexpr std::size_t bestScoreSteps = 1 << 20;
// A quantile is found exactly by enumeration when at most this many windows
// score from a little below its lower bound up: a fraction of a millisecond.
constexpr double enumerableQuantileWindows = 1 << 12;
// Single precision holds the masses of the passes (half the memory traffic)
// when no window is rarer than this, far from the smallest normal floats; the
// bounds then err by about 1e-6, relatively.
constexpr double floatSafeMass = 1e-30;
// The place of a bin beyond the best among the tails a pass keeps.
constexpr std::uint32_t beyondBest = std::numeric_limits<std::uint32_t>::max();
// The remembered windows keep their running exact sum every this many.
constexpr std::size_t checkpointWindows = 64;

// A sum of non-negative doubles below 2^52, kept exactly in 32-bit limbs of
// a fixed point that reaches the least subnormal: the windows an enumeration
// finds are added in an order that depends on the other scores asked, and
// an exact sum does not.
class ExactSum {
public:
    void add(double x)
    {
        if (!(x > 0.0))
            return;
        int exponent = 0;
        const double fraction = std::frexp(x, &exponent);
        const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
        const int bit = exponent - 53 + bias; // of the mantissa's lowest bit
        const std::size_t at = static_cast<std::size_t>(bit / 32);
        const int shift = bit % 32;
        const std::uint64_t low = (mantissa & mask) << shift, high = (mantissa >> 32) << shift;
        limbs[at] += low & mask;
        limbs[at + 1] += (low >> 32) + (high & mask);
        limbs[at + 2] += high >> 32;
    }
    void add(const ExactSum& other) { addLimbs(other.limbs.data()); }
    // The sum kept as its limbCount limbs, and added from them.
    void appendLimbs(std::vector<std::uint64_t>& to) const { to.insert(to.end(), limbs.begin(), limbs.end()); }
    void addLimbs(const std::uint64_t* other)
    {
        for (std::size_t i = 0; i < limbs.size(); ++i)
            limbs[i] += other[i];
    }
    // The sum rounded from its three leading limbs, the same for the same sum.
    double value() const
    {
        std::array<std::uint64_t, count> carried = limbs;
        for (std::size_t i = 0; i + 1 < count; ++i) {
            carried[i + 1] += carried[i] >> 32;
            carried[i] &= mask;
        }
        std::size_t top = count - 1;
        while (top > 2 && carried[top] == 0)
            --top;
        double sum = 0.0;
        for (std::size_t i = top - 2; i <= top; ++i)
            sum += std::ldexp(static_cast<double>(carried[i]), 32 * static_cast<int>(i) - bias);
        return sum;
    }

    static constexpr std::size_t limbCount = 38;

private:
    static constexpr int bias = 1152; // the least subnormal's bit is 26
    static constexpr std::size_t count = limbCount;
    static constexpr std::uint64_t mask = 0xffffffffu;
    // Each limb takes less than 2^33 an addition: billions of windows fit.
    std::array<std::uint64_t, count> limbs{};
};

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

namespace {
// Why letters cannot be drawn with these probabilities, or empty: each must
// be a finite non-negative number, not all zero. The reasons name them.
std::string badProbabilities(const std::array<double, 4>& probabilities, const char* notFinite, const char* allZero)
{
    double total = 0.0;
    for (double probability : probabilities) {
        if (!(probability >= 0.0) || !std::isfinite(probability))
            return notFinite;
        total += probability;
    }
    if (!(total > 0.0))
        return allZero;
    return {};
}
} // namespace

ScoreDistribution::ScoreDistribution(const ScoreTable& table, const std::array<double, 4>& background,
                                     ScoreSense scoreSense)
    : sense(scoreSense)
{
    reason = badProbabilities(background, "a background probability is not a finite non-negative number",
                              "the background probabilities are all zero");
    if (available())
        setUp(table, std::vector<std::array<double, 4>>(table.windowLength(), background));
}

ScoreDistribution::ScoreDistribution(const ScoreTable& table,
                                     const std::vector<std::array<double, 4>>& columnProbabilities,
                                     ScoreSense scoreSense)
    : sense(scoreSense)
{
    if (columnProbabilities.size() != table.windowLength()) {
        reason = "the columns' letter probabilities are not one set per column of the motif";
        return;
    }
    for (const std::array<double, 4>& probabilities : columnProbabilities) {
        reason = badProbabilities(probabilities, "a column's letter probability is not a finite non-negative number",
                                  "a column's letter probabilities are all zero");
        if (!available())
            return;
    }
    setUp(table, columnProbabilities);
}

// Each column's probabilities are divided by their own total, summed A to T
// from 0: one background given for every column gives the same doubles as it
// always has.
void ScoreDistribution::setUp(const ScoreTable& table, const std::vector<std::array<double, 4>>& probabilities)
{
    const std::uint32_t length = table.windowLength();
    columns.resize(length);
    double magnitude = 0.0; // sum over columns of the largest |term|: bounds every partial sum
    double rarest = 1.0;    // the least probable window's mass
    for (std::uint32_t k = 0; k < length; ++k) {
        const std::array<double, 4>& drawn = probabilities[k];
        double total = 0.0;
        for (double probability : drawn)
            total += probability;
        std::array<std::pair<double, double>, 4> letters{};
        std::uint32_t count = 0;
        for (std::size_t a = 0; a < 4; ++a) {
            // A letter without mass never occurs in a random window: its term is ignored.
            if (drawn[a] == 0.0)
                continue;
            const double term = table.term(k, static_cast<unsigned char>("ACGT"[a]));
            if (!std::isfinite(term)) {
                reason = "a score term is not finite";
                return;
            }
            letters[count++] = {sense.oriented(term), drawn[a] / total};
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
    // Twice the rounding of one sum: see the header. DBL_EPSILON is 2^-52.
    tieWidth = length * DBL_EPSILON * magnitude;
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
    coarsest = std::max((bestScore - lowestScore) / firstBins, finest);
    // Windows tying with the best one add to its mass; only thousands of near
    // ties could make them too many to enumerate.
    std::vector<double> best;
    if (enumerateTails({bestScore - tieWidth}, best, bestScoreSteps)) {
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
    // Oriented so that higher is better, less the width of a tie; those
    // beyond the best or at most the lowest score need no pass.
    std::vector<double> thresholds;
    std::vector<std::uint32_t> asked;
    thresholds.reserve(scores.size());
    asked.reserve(scores.size());
    for (std::size_t i = 0; i < scores.size(); ++i) {
        const double value = sense.oriented(scores[i]);
        if (value > bestScore) {
            result[i] = {bestMass, true};
        } else if (value - tieWidth <= lowestScore) {
            result[i] = {1.0, false}; // every window scores at least this
        } else if (!std::isnan(value)) {
            thresholds.push_back(value - tieWidth);
            asked.push_back(static_cast<std::uint32_t>(i));
        }
    }
    if (thresholds.empty())
        return result;
    const std::vector<double> p = tails(thresholds);
    // No tail is below the best window's own mass, not even by rounding.
    for (std::size_t j = 0; j < asked.size(); ++j)
        result[asked[j]] = {std::max(p[j], bestMass), false};
    return result;
}

double ScoreDistribution::scoreBeyond(double cutoff) const
{
    if (std::isnan(cutoff))
        return notANumber; // no score passes a NaN cut-off
    // Scores are doubles: strictly above x is at least the next double.
    const double value = std::nextafter(sense.oriented(cutoff), infinity);
    if (value > bestScore)
        return notANumber;
    return sense.oriented(value);
}

double ScoreDistribution::pBeyond(double cutoff) const
{
    if (!available())
        return notANumber;
    const double beyond = scoreBeyond(cutoff);
    return std::isnan(beyond) ? 0.0 : pValues({beyond}).front().p;
}

// One pass on a rung: tail[i] = P(B >= lowest + i), where lowest is the bin
// that `from` falls in for the upper bound; with the functions giving a
// threshold's bins for the lower and the upper bound. A pass that only the
// scores on its rung look at keeps the tails of their bins alone (`wanted`,
// descending), not one for each of its bins.
struct ScoreDistribution::Pass {
    Discretisation bins;
    double perBin, lowShift, highShift, lowest;
    std::size_t width;
    std::vector<std::size_t> wanted; // empty: every bin's tail
    std::vector<double> tail;
    // The few roundings of these bin positions are far within the slack.
    double lowBin(double value) const { return roundUp((value - bins.offset) * perBin + lowShift); }
    double highBin(double value) const { return roundUp((value - bins.offset) * perBin + highShift); }
    // The index into the tails of a bin, or width when beyond the best.
    std::size_t indexOf(double bin) const
    {
        const double index = bin - lowest;
        if (index >= static_cast<double>(width))
            return width;
        return static_cast<std::size_t>(std::max(index, 0.0));
    }
    // The tail of a bin, of a pass that kept every bin's.
    double at(double bin) const
    {
        const std::size_t index = indexOf(bin);
        return index == width ? 0.0 : tail[index];
    }
    // The place among the kept tails of a bin that was wanted.
    double kept(std::uint32_t slot) const { return slot == beyondBest ? 0.0 : tail[slot]; }
};

void ScoreDistribution::placePass(Pass& pass, double granularity, double from) const
{
    pass.bins = discretise(granularity);
    pass.perBin = 1.0 / pass.bins.granularity;
    pass.lowShift = (slack - pass.bins.residualLow) * pass.perBin;
    pass.highShift = (-slack - pass.bins.residualHigh) * pass.perBin;
    pass.lowest =
        std::clamp(pass.highBin(from), static_cast<double>(pass.bins.worst), static_cast<double>(pass.bins.best));
    pass.width = static_cast<std::size_t>(static_cast<double>(pass.bins.best) - pass.lowest + 1.0);
    pass.wanted.clear();
}

// A pass's state is as wide as its band of bins: up to millions on the
// finest rungs. The room for the widest a pass may have is asked for once per
// distribution and only the part a pass uses is ever written, so that neither
// a finer rung's wider band nor the next call (a search for a cut-off makes
// dozens) moves the state into new memory: touching fresh pages is what
// costs most here.
void ScoreDistribution::reserveState() const
{
    const std::size_t widestState = static_cast<std::size_t>(mostBins) + 64;
    if (singlePrecision)
        singleState_.reserve(widestState);
    else
        doubleState_.reserve(widestState);
}

void ScoreDistribution::runPass(Pass& pass, bool counting) const
{
    if (singlePrecision)
        binTails(pass.bins, pass.width, counting, singleState_, pass.wanted, pass.tail);
    else
        binTails(pass.bins, pass.width, counting, doubleState_, pass.wanted, pass.tail);
}

// T(v) = P(S >= v - tieWidth), oriented, falls as v rises. A pass on a rung
// bounds it at every v (the bins of v - tieWidth for the lower and the upper
// bound): `low`, the greatest v whose lower bound reaches the share, has
// T(low) >= share, and once the upper bound at `low` is within `enough` of
// the share, so is T(low). The first rung spans every score and counts the
// windows; each finer one keeps only the band from `low` up, where the answer
// lies, and `low` only rises. The rungs are climbed as tails() climbs them,
// by the gap between the share and the upper bound at `low`.
//
// The best window score whose T reaches the share is at least low -
// tieWidth (the least window score from there has every window of T(low)),
// and its T counts windows from tieWidth below it: where the windows from
// low - 2 tieWidth are few enough, enumerating them finds it exactly.
double ScoreDistribution::quantile(double share) const
{
    if (!available() || !(share > 0.0 && share < 1.0))
        return notANumber;
    if (bestMass >= share)
        return sense.oriented(bestScore);
    reserveState();
    const double margin = tieWidth + 2.0 * slack; // below a score, what its bounds read
    const double enough = tolerance * std::min(share, 1.0 - share);

    Pass windows, pass;
    placePass(windows, coarsest, lowestScore - margin);
    runPass(windows, true);
    const auto windowsFrom = [&](double t) { return windows.at(windows.highBin(t - 2.0 * slack)); };

    double low = lowestScore;
    double before = infinity;
    for (int level = 0;;) {
        const double granularity = std::ldexp(coarsest, -level);
        if (granularity < finest || (bestScore - low) / granularity > mostBins)
            break; // no finer rung can be afforded
        placePass(pass, granularity, low - margin);
        runPass(pass, false);
        // The tails fall along the band: `reaching` of its bins reach the share.
        const double g = pass.bins.granularity;
        const auto reaching = static_cast<std::size_t>(
            std::partition_point(pass.tail.begin(), pass.tail.end(), [&](double t) { return t >= share; })
            - pass.tail.begin());
        if (reaching > 0) {
            // lowBin(v - tieWidth) at most this bin: the lower bound reaches the share.
            const double bin = pass.lowest + static_cast<double>(reaching - 1);
            double v = pass.bins.offset + (bin - pass.lowShift) * g + tieWidth;
            while (pass.lowBin(v - tieWidth) > bin)
                v = std::nextafter(v, -infinity);
            low = std::max(low, v);
        }
        if (windowsFrom(low - 2.0 * tieWidth) <= enumerableQuantileWindows)
            return sense.oriented(enumeratedQuantile(share, low - 2.0 * tieWidth, low));
        const double gap = pass.at(pass.highBin(low - tieWidth)) - share;
        if (gap <= enough)
            return sense.oriented(low);
        if (level > 0 && gap > 0.7 * before)
            break; // the mass of windows that tie
        before = gap;
        const int climb = static_cast<int>(std::ceil(std::log2(gap / (0.9 * enough))));
        level += std::clamp(climb, 1, mostRungs);
    }
    if (windowsFrom(low - 2.0 * tieWidth) <= enumerableTiedWindows)
        return sense.oriented(enumeratedQuantile(share, low - 2.0 * tieWidth, low));
    return sense.oriented(low);
}

// The best score of the windows scoring at least `from` whose T, summed
// exactly, reaches the share; `fallback` when none of those whose T they
// hold whole does.
double ScoreDistribution::enumeratedQuantile(double share, double from, double fallback) const
{
    std::vector<WindowMass> found;
    visitWindows(from, std::numeric_limits<std::size_t>::max(), [&found](double score, double mass) {
        found.push_back({score, mass});
    });
    std::sort(found.begin(), found.end(), [](const WindowMass& x, const WindowMass& y) { return x.score > y.score; });
    ExactSum reached;
    // The same sum in doubles, far within 1e-9 of it: the exact sum is read
    // only once this one is near the share.
    double rough = 0.0;
    const double roughShare = share * (1.0 - 1e-9);
    std::size_t counted = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const double score = found[i].score;
        if (i + 1 < found.size() && found[i + 1].score == score)
            continue; // the last window of the score counts it
        if (score - tieWidth < from)
            break; // windows below `from` would tie with it
        for (; counted < found.size() && found[counted].score >= score - tieWidth; ++counted) {
            reached.add(found[counted].mass);
            rough += found[counted].mass;
        }
        if (rough >= roughShare && reached.value() >= share)
            return score;
    }
    return fallback;
}

// TFM-Pvalue's bounds. With granularity g and an offset c per column, each
// term t is c + b * g + r, b an integer, r in [0, g); a window's score S is
// C + g * B + R, B the sum of its b, C of the c, R between the sums of each
// column's least and greatest r (Rlo, Rhi). So
// P(g * B >= s - C - Rlo) <= P(S >= s) <= P(g * B >= s - C - Rhi), each
// widened by the rounding slack, and the distribution of B is a convolution
// over the columns. Only partial sums that can still reach the bin of the
// lowest threshold asked for are kept: a band of the same width at every
// column. A bin's tail is summed from the best bin down, so it is the same
// double however wide the band.
//
// The granularities are rungs of a ladder, the coarsest halved again and
// again. Every score starts on the first rung and climbs by its own bounds:
// their gap shrinks about in proportion to g, so it goes up as many rungs as
// should bring the gap within the tolerance (at least one, at most
// mostRungs). Its bounds are those of the rungs it stood on, so they do not
// depend on the other scores; a pass serves all the scores on its rung.
//
// No granularity separates the windows that tie with s, or score within the
// rounding slack of it: where few windows score as well, their mass keeps the
// bounds apart. The first rung also counts the windows, and such scores are
// settled by enumerating them; so are the scores whose gap barely narrows on
// a finer rung, when their windows are not too many, and the midpoint of the
// bounds does for those that are.
std::vector<double> ScoreDistribution::tails(const std::vector<double>& thresholds) const
{
    const std::size_t n = thresholds.size();
    reserveState();
    const auto rung = [this](int level) { return std::ldexp(coarsest, -level); };
    // Sets up a pass's bins; then `wanted` may be filled, before the pass is run.
    const auto place = [&](Pass& pass, int level, double from) { placePass(pass, rung(level), from); };
    const auto run = [&](Pass& pass, bool counting) { runPass(pass, counting); };

    Pass pass, windows;
    // Over every score, though few are asked for: an enumeration then knows
    // how low it may start and stay within enumerableWindows windows.
    place(windows, 0, lowestScore);
    run(windows, true);
    // Where a score stands: the rung it asks for next, or one of these.
    constexpr int settled = -1, toEnumerate = -2, tied = -3;
    struct Score {
        double lower = 0.0, upper = 1.0;
        int next = 0;
        // The relative gap of the bounds.
        double gap() const { return upper > 0.0 ? 1.0 - lower / upper : 0.0; }
    };
    std::vector<Score> score(n);
    std::vector<std::uint32_t> enumerated;
    // The windows an enumeration from t visits all score within twice the
    // slack of t or better: at most this many, times L + 2.
    const auto windowsFrom = [&](double t) { return windows.at(windows.highBin(t - 2.0 * slack)); };
    // The lowest value whose windowsFrom is within enumerableWindows: from
    // the lowest bin whose count is, back through highBin. A search for a
    // cut-off asks for one score after another; an enumeration that starts
    // there serves every later one from the windows it remembers.
    double enumerableFrom = bestScore;
    for (std::size_t i = windows.width; i-- > 0 && windows.tail[i] <= enumerableWindows;)
        enumerableFrom = (windows.lowest + static_cast<double>(i) - 1.0 - windows.highShift) * windows.bins.granularity
                       + windows.bins.offset + 2.0 * slack;
    for (std::size_t i = 0; i < n; ++i)
        if (windowsFrom(thresholds[i]) <= enumerableWindows)
            score[i].next = toEnumerate;
    // The scores best first: on any rung their bins then descend too, so the
    // bins a pass must keep come in order, each score knowing its place.
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = static_cast<std::uint32_t>(i);
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t x, std::uint32_t y) { return thresholds[x] > thresholds[y]; });
    // A score on the rung of a pass, and the places of its bounds' bins among
    // those the pass keeps. Bins and places stay below mostBins.
    struct Asking {
        std::uint32_t score, low, high;
    };
    std::vector<Asking> asking;
    asking.reserve(n);

    for (int level = 0;;) {
        const double granularity = rung(level);
        asking.clear();
        for (const std::uint32_t i : order) {
            Score& s = score[i];
            if (s.next != level)
                continue;
            if (granularity < finest || (bestScore - thresholds[i]) / granularity > mostBins)
                s.next = tied; // no finer rung can be afforded
            else
                asking.push_back({i, 0, 0});
        }
        if (!asking.empty()) {
            place(pass, level, thresholds[asking.back().score]);
            for (Asking& a : asking) {
                a.low = static_cast<std::uint32_t>(pass.indexOf(pass.lowBin(thresholds[a.score])));
                a.high = static_cast<std::uint32_t>(pass.indexOf(pass.highBin(thresholds[a.score])));
            }
            // Both kinds of bin descend along `asking`: merged, they are the
            // bins to keep, each once.
            const auto keep = [&pass](std::uint32_t& bin) {
                if (bin >= pass.width) {
                    bin = beyondBest;
                    return;
                }
                if (pass.wanted.empty() || pass.wanted.back() != bin)
                    pass.wanted.push_back(bin);
                bin = static_cast<std::uint32_t>(pass.wanted.size() - 1);
            };
            for (std::size_t l = 0, h = 0; l < asking.size() || h < asking.size();) {
                if (h == asking.size() || (l < asking.size() && asking[l].low >= asking[h].high))
                    keep(asking[l++].low);
                else
                    keep(asking[h++].high);
            }
            // A pass nobody looks into still has its tails: there are none to keep.
            if (pass.wanted.empty())
                pass.wanted.push_back(pass.width);
            run(pass, false);
        }
        for (const Asking& a : asking) {
            Score& s = score[a.score];
            const double before = s.gap();
            s.lower = std::max(s.lower, pass.kept(a.low));
            s.upper = std::min(s.upper, pass.kept(a.high));
            const double gap = s.gap();
            if (gap <= tolerance) {
                s.next = settled;
            } else if (level > 0 && gap > 0.7 * before) {
                // A gap that barely narrows on a finer rung is the mass of
                // windows that tie.
                s.next = tied;
            } else {
                const int climb = static_cast<int>(std::ceil(std::log2(gap / (0.9 * tolerance))));
                s.next = level + std::clamp(climb, 1, mostRungs);
            }
        }
        int upcoming = std::numeric_limits<int>::max();
        for (const Score& s : score)
            if (s.next > level)
                upcoming = std::min(upcoming, s.next);
        if (upcoming == std::numeric_limits<int>::max())
            break;
        level = upcoming;
    }

    std::vector<double> p(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (score[i].next == tied && windowsFrom(thresholds[i]) <= enumerableTiedWindows)
            score[i].next = toEnumerate;
        if (score[i].next == toEnumerate)
            enumerated.push_back(static_cast<std::uint32_t>(i));
        else
            p[i] = 0.5 * (score[i].lower + score[i].upper);
    }
    if (!enumerated.empty()) {
        std::sort(enumerated.begin(), enumerated.end(),
                  [&](std::uint32_t x, std::uint32_t y) { return thresholds[x] < thresholds[y]; });
        std::vector<double> ascending, exact;
        for (std::uint32_t i : enumerated)
            ascending.push_back(thresholds[i]);
        // Bounded by the count above: no limit. The many windows of a score
        // that ties are walked, not remembered.
        const bool remember = rememberWindows_ && ascending.front() >= enumerableFrom;
        enumerateTails(ascending, exact, std::numeric_limits<std::size_t>::max(), remember ? enumerableFrom : infinity);
        for (std::size_t j = 0; j < enumerated.size(); ++j)
            p[enumerated[j]] = exact[j];
    }
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
// longer reach `lowest`.
template <typename Real>
void ScoreDistribution::binTails(const Discretisation& bins, std::size_t width, bool counting, std::vector<Real>& state,
                                 const std::vector<std::size_t>& wanted, std::vector<double>& tail) const
{
    state.assign(width, Real(0));
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
        // Above the band every state is zero: near its top a letter whose
        // shift reads beyond it adds nothing, and is left out rather than
        // added as a zero (which would give the same sums). Shifts ascend,
        // the best letter's is 0; the parts go up, as the convolution must.
        for (std::uint32_t letters = count; letters > 0; --letters) {
            const std::size_t start = letters == count ? from : std::max(from, width - shift[letters]);
            const std::size_t end = width - shift[letters - 1];
            if (start < end && !convolveInVectors(state.data(), start, end, letters, weight, shift))
                convolve(state.data(), start, end, letters, weight, shift);
        }
    }
    // Each tail is summed from the best bin down, the same double whichever
    // are kept.
    double sum = 0.0;
    if (wanted.empty()) {
        tail.assign(width, 0.0);
        for (std::size_t i = width; i-- > from;)
            tail[i] = sum += static_cast<double>(state[i]);
        std::fill(tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(from), sum);
        return;
    }
    tail.assign(wanted.size(), 0.0);
    std::size_t next = 0;
    while (next < wanted.size() && wanted[next] >= width)
        ++next;
    for (std::size_t i = width; i-- > from && next < wanted.size();) {
        sum += static_cast<double>(state[i]);
        if (i == wanted[next])
            tail[next++] = sum;
    }
    for (; next < wanted.size(); ++next)
        tail[next] = sum;
}

// Every window scoring at least `lowest`, depth first, each summed as the
// scan sums it, handed to visit(score, mass); false after stepLimit steps. A
// partial sum that cannot reach `lowest` even with the best of the remaining
// columns is not followed; nor, since a column's letters come best first,
// are the letters after it.
template <typename Visit>
bool ScoreDistribution::visitWindows(double lowest, std::size_t stepLimit, Visit visit) const
{
    const std::size_t length = columns.size();
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
                visit(score, weight[depth] * column.probability[a]);
            }
        } else {
            const std::uint32_t a = letter[depth];
            if (a < column.count && sum[depth] + column.term[a] + maxRemaining[depth + 1] + slack >= lowest) {
                if (++steps > stepLimit)
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
        visit(0.0, 1.0);
    return true;
}

// Exact tails for all the values, ascending, from the windows scoring at
// least the first; false after stepLimit steps. With a `rememberFrom` at most
// the first value, the windows from there on are kept, best first, for the
// next such call: a search for a cut-off asks for one score after another,
// and a call from as high a value takes them from the list instead of
// walking the tree again. Each window adds the same mass to the same exact
// sums either way, so the tails are the same doubles.
bool ScoreDistribution::enumerateTails(const std::vector<double>& ascending, std::vector<double>& tail,
                                       std::size_t stepLimit, double rememberFrom) const
{
    std::vector<ExactSum> mass(ascending.size()); // by the highest value each window reaches
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
        mass[reached - 1].add(weight);
    };
    const double lowest = ascending.front();
    // Windows remembered already serve any call they cover.
    if (rememberFrom <= lowest || rememberedFrom_ <= lowest) {
        if (!(lowest >= rememberedFrom_)) {
            std::vector<WindowMass> found;
            visitWindows(rememberFrom, std::numeric_limits<std::size_t>::max(), [&found](double score, double weight) {
                found.push_back({score, weight});
            });
            std::sort(found.begin(), found.end(),
                      [](const WindowMass& x, const WindowMass& y) { return x.score > y.score; });
            // The running sum before every checkpointWindows-th window.
            rememberedSums_.clear();
            ExactSum running;
            for (std::size_t i = 0; i < found.size(); ++i) {
                if (i % checkpointWindows == 0)
                    running.appendLimbs(rememberedSums_);
                running.add(found[i].mass);
            }
            remembered_ = std::move(found);
            rememberedFrom_ = rememberFrom;
        }
        // A tail is the sum over the windows that reach its value, a prefix
        // of the list: the checkpoint before its end, then the rest.
        tail.assign(ascending.size(), 0.0);
        for (std::size_t i = 0; i < ascending.size(); ++i) {
            const auto end = static_cast<std::size_t>(
                std::partition_point(remembered_.begin(), remembered_.end(),
                                     [&](const WindowMass& window) { return window.score >= ascending[i]; })
                - remembered_.begin());
            const std::size_t checkpoint = end / checkpointWindows;
            ExactSum sum;
            if (end > 0)
                sum.addLimbs(&rememberedSums_[checkpoint * ExactSum::limbCount]);
            for (std::size_t j = checkpoint * checkpointWindows; j < end; ++j)
                sum.add(remembered_[j].mass);
            tail[i] = sum.value();
        }
        return true;
    }
    if (!visitWindows(lowest, stepLimit, add))
        return false;
    tail.assign(ascending.size(), 0.0);
    ExactSum total;
    for (std::size_t i = ascending.size(); i-- > 0;) {
        total.add(mass[i]);
        tail[i] = total.value();
    }
    return true;
}
