#include "scoring/Cutoff.h"

#include <array>
#include <cmath>
#include <ostream>
#include <sstream>
#include <vector>

#include "base/ErrorReport.h"
#include "base/RunLog.h"
#include "motif/SiteCollection.h"
#include "options/Options.h"
#include "scoring/ScoreDistribution.h"
#include "scoring/ScoreSense.h"
#include "scoring/ScoreTable.h"
#include "sequences/Sequence.h"

namespace {
// P + Q may differ from 1 by rounding, but by no more than this.
constexpr double tailSumTolerance = 3.0 * 0x1p-52;
// Below this |x| the inner range of the normal integral takes x^2 as 0.
constexpr double tinyArgument = 0x1p-53;
// Smallest normal double: tail probabilities below it are returned as 0.
constexpr double smallestNormal = 0x1p-1022;
constexpr int maxNewtonSteps = 100;

// Rational approximation of the normal integral in three ranges of |x|, with
// the coefficients of the published algorithm.
constexpr double innerNum[5] = {2.2352520354606839287e00, 1.6102823106855587881e02, 1.0676894854603709582e03,
                                1.8154981253343561249e04, 6.5682337918207449113e-2};
constexpr double innerDen[4] = {4.7202581904688241870e01, 9.7609855173777669322e02, 1.0260932208618978205e04,
                                4.5507789335026729956e04};
constexpr double middleNum[9] = {3.9894151208813466764e-1, 8.8831497943883759412e00, 9.3506656132177855979e01,
                                 5.9727027639480026226e02, 2.4945375852903726711e03, 6.8481904505362823326e03,
                                 1.1602651437647350124e04, 9.8427148383839780218e03, 1.0765576773720192317e-8};
constexpr double middleDen[8] = {2.2266688044328115691e01, 2.3538790178262499861e02, 1.5193775994075548050e03,
                                 6.4855582982667607550e03, 1.8615571640885098091e04, 3.4900952721145977266e04,
                                 3.8912003286093271411e04, 1.9685429676859990727e04};
constexpr double outerNum[6] = {2.1589853405795699e-1,   1.274011611602473639e-1, 2.2235277870649807e-2,
                                1.421619193227893466e-3, 2.9112874951168792e-5,   2.307344176494017303e-2};
constexpr double outerDen[5] = {1.28426009614491121e00, 4.68238212480865118e-1, 6.59881378689285515e-2,
                                3.78239633202758244e-3, 7.29751555083966205e-5};
constexpr double innerLimit = 0.66291;
constexpr double middleLimit = 5.656854248; // sqrt(32)
constexpr double inverseSqrtTwoPi = 3.9894228040143267794e-1;
// exp(-x^2/2) is split at x truncated to a multiple of 1/splitFactor.
constexpr double splitFactor = 1.6;

// exp(-x^2/2) as exp(-s^2/2) * exp(-(x - s)(x + s)/2), which loses less to rounding.
double gaussianFactor(double x)
{
    const double s = std::trunc(x * splitFactor) / splitFactor;
    const double del = (x - s) * (x + s);
    return std::exp(-s * s * 0.5) * std::exp(-del * 0.5);
}

// Starting value of the quantile of the smaller tail p (rational approximation
// of Odeh and Evans).
double quantileStart(double p)
{
    const double sign = p <= 0.5 ? -1.0 : 1.0;
    const double t = p <= 0.5 ? p : 1.0 - p;
    const double y = std::sqrt(-2.0 * std::log(t));
    const double numerator =
        (((-0.0000453642210148 * y - 0.0204231210245) * y - 0.342242088547) * y - 1.0) * y - 0.322232431088;
    const double denominator =
        (((0.0038560700634 * y + 0.10353775285) * y + 0.531103462366) * y + 0.588581570495) * y + 0.099348462606;
    return sign * (y + numerator / denominator);
}

double standardNormalQuantile(double p, double q)
{
    const bool upperTail = !(p <= q);
    const double tail = upperTail ? q : p;
    const double start = quantileStart(tail);

    double result = start;
    double x = start;
    for (int step = 0; step < maxNewtonSteps; ++step) {
        const double dx = (cumulativeNormal(x).first - tail) / (0.3989422804014326 * std::exp(-0.5 * x * x));
        x = x - dx;
        if (std::fabs(dx / x) < 1e-13) {
            result = x;
            break;
        }
    }
    return upperTail ? -result : result;
}
} // namespace

namespace {
// The run's cut-off for a motif given as a count matrix, or an input error.
double matrixCutoffOf(const ScoreTable& table, const SiteCollection& collection, const Options& options)
{
    if (options.literalCutoff)
        return options.threshold;
    const double threshold = options.threshold;
    if (!(threshold > 0.0 && threshold < 1.0)) {
        std::ostringstream text; // as the motif score log writes it
        text << threshold;
        reportError({"ERROR: The threshold " + text.str() + " is not a share above 0 and below 1.",
                     "Motif " + collection.motifName
                         + " is a count matrix without sites: its cut-off is the score "
                           "that this share of the windows drawn from its own model reaches. Give a share, or a "
                           "literal cut-off."});
    }
    const double cutoff = matrixCutoff(table, collection, ScoreSense::ofMethod(options.methodCode), threshold);
    if (std::isnan(cutoff))
        reportError({"ERROR: The cut-off of motif " + collection.motifName
                     + " cannot be found from its count matrix: a score term is not finite."});
    return cutoff;
}
} // namespace

double matrixCutoff(const ScoreTable& table, const SiteCollection& collection, ScoreSense sense, double threshold)
{
    std::vector<std::array<double, 4>> frequencies;
    frequencies.reserve(collection.columns.size());
    for (const MotifColumn& column : collection.columns)
        frequencies.push_back({column.freqA, column.freqC, column.freqG, column.freqT});
    return ScoreDistribution(table, frequencies, sense).quantile(threshold);
}

void deriveCutoff(SiteCollection& collection, Options& options, const Sequence& referenceSequence,
                  const std::string& logStem, RunLog& log)
{
    OutputFile scoreLogFile;
    const bool logging = options.writeLogs && openDiagnosticLog(scoreLogFile, logStem + "__motif_score_log.csv", log);
    std::ostream& scoreLog = scoreLogFile.stream();
    if (logging)
        scoreLog << "Motif;Score\n";

    const ScoreTable table(options.methodCode, referenceSequence, collection);
    if (collection.sites.empty()) {
        options.cutoff = matrixCutoffOf(table, collection, options);
        if (logging) {
            scoreLog << '\n' << "Threshold," << options.threshold << '\n';
            scoreLog << '\n' << "Cut-off," << options.cutoff << '\n';
            closeDiagnosticLog(scoreLogFile, log);
        }
        return;
    }
    std::vector<double> siteScores;
    siteScores.reserve(collection.sites.size());
    for (Site& site : collection.sites) {
        site.score = table.score(site.window.data());
        siteScores.push_back(site.score);
        if (logging)
            scoreLog << site.window << ',' << site.score << '\n';
    }
    options.cutoff = cutoffFromScores(siteScores, options);

    if (logging) {
        scoreLog << '\n' << "Threshold," << options.threshold << '\n';
        scoreLog << '\n' << "Cut-off," << options.cutoff << '\n';
        closeDiagnosticLog(scoreLogFile, log);
    }
}

ScoreFit fitSiteScores(const std::vector<double>& siteScores)
{
    double sum = 0.0;
    for (const double score : siteScores)
        sum += score;
    const double n = static_cast<double>(siteScores.size());
    const double mean = sum / n;
    double squares = 0.0;
    for (const double score : siteScores)
        squares += (score - mean) * (score - mean);
    return {mean, std::sqrt(squares / n)};
}

double cutoffAt(const ScoreFit& fit, double threshold, const Options& options)
{
    if (options.literalCutoff)
        return threshold;
    // A fraction `threshold` of the fitted distribution lies on the better side.
    const bool lower = ScoreSense::ofMethod(options.methodCode).lowerIsBetter();
    const double p = lower ? threshold : 1.0 - threshold;
    const double q = lower ? 1.0 - threshold : threshold;
    double value = 0.0;
    return normalQuantile(p, q, fit.mean, fit.sd, value) ? value : 0.0;
}

double cutoffFromScores(const std::vector<double>& siteScores, const Options& options)
{
    return cutoffAt(fitSiteScores(siteScores), options.threshold, options);
}

bool normalQuantile(double p, double q, double mean, double sd, double& result)
{
    if (!(p > 0.0 && p <= 1.0))
        return false;
    if (!(q > 0.0 && q <= 1.0))
        return false;
    if (!(std::fabs(p + q - 1.0) <= tailSumTolerance))
        return false;
    if (!(sd > 0.0))
        return false;
    result = sd * standardNormalQuantile(p, q) + mean;
    return true;
}

std::pair<double, double> cumulativeNormal(double x)
{
    const double y = std::fabs(x);
    double lower = 0.0;
    double upper = 0.0;
    if (y <= innerLimit) {
        const double xsq = y > tinyArgument ? x * x : 0.0;
        double num = innerNum[4] * xsq;
        double den = xsq;
        for (int i = 0; i < 3; ++i) {
            num = (num + innerNum[i]) * xsq;
            den = (den + innerDen[i]) * xsq;
        }
        const double half = x * (num + innerNum[3]) / (den + innerDen[3]);
        lower = 0.5 + half;
        upper = 0.5 - half;
    } else {
        double tail = 0.0;
        if (y <= middleLimit) {
            double num = middleNum[8] * y;
            double den = y;
            for (int i = 0; i < 7; ++i) {
                num = (num + middleNum[i]) * y;
                den = (den + middleDen[i]) * y;
            }
            tail = gaussianFactor(y) * ((num + middleNum[7]) / (den + middleDen[7]));
        } else {
            const double xsq = 1.0 / (x * x);
            double num = outerNum[5] * xsq;
            double den = xsq;
            for (int i = 0; i < 4; ++i) {
                num = (num + outerNum[i]) * xsq;
                den = (den + outerDen[i]) * xsq;
            }
            const double correction = xsq * (num + outerNum[4]) / (den + outerDen[4]);
            tail = gaussianFactor(x) * ((inverseSqrtTwoPi - correction) / y);
        }
        // tail is the smaller of the two, computed directly.
        lower = tail;
        upper = 1.0 - tail;
        if (x > 0.0)
            std::swap(lower, upper);
    }
    if (lower < smallestNormal)
        lower = 0.0;
    if (upper < smallestNormal)
        upper = 0.0;
    return {lower, upper};
}
