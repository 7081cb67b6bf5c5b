#pragma once

#include <string>
#include <utility>
#include <vector>

class Options;
class RunLog;
class ScoreSense;
class ScoreTable;
class Sequence;
class SiteCollection;

// Scores every site with the run's method and sets options.cutoff from the
// normal fit of those scores (or literally from the threshold). A motif
// given as a count matrix has no sites: its cut-off is matrixCutoff at the
// threshold, which must then be a share above 0 and below 1 (an input error
// otherwise), or the threshold itself when literal. Writes the motif score
// log (logStem + "__motif_score_log.csv") when writeLogs is set, a row for
// each site; a log that cannot be created is announced on the run log channel.
void deriveCutoff(SiteCollection& collection, Options& options, const Sequence& referenceSequence,
                  const std::string& logStem, RunLog& log);

// The cut-off of a motif without sites: the best score s (in the method's
// sense) that windows drawn from the model itself reach with probability at
// least `threshold`, each column's letters drawn with its frequencies
// (freqA..freqT; a letter of frequency 0 never occurs). A window reaches s
// when it scores at least as well as s less the width of a tie, as a p-value
// counts it. Computed from the exact distribution of those windows' scores
// (ScoreDistribution::quantile): the best window score with P >= threshold
// when the windows near and above it can be enumerated, else a score with
// P >= threshold and P <= threshold + 1.8e-3 * min(threshold, 1 - threshold).
// NaN when the threshold is not in (0, 1) or a term of the table is not finite.
double matrixCutoff(const ScoreTable& table, const SiteCollection& collection, ScoreSense sense, double threshold);

// The normal fit of a set of site scores: their mean and population standard
// deviation, summed in the order given.
struct ScoreFit {
    double mean;
    double sd;
};
ScoreFit fitSiteScores(const std::vector<double>& siteScores);

// The cut-off a run sets at `threshold` for site scores with this fit, by the
// method and the literal setting of `options` (its own threshold is not
// read): the threshold itself when literal, else the score that a fraction
// `threshold` of the fit is better than; 0 when none can be computed. The one
// place the rule is written down, so that what is reported about a cut-off is
// what the scan uses.
double cutoffAt(const ScoreFit& fit, double threshold, const Options& options);

// The run's cut-off for its site scores, at options.threshold.
double cutoffFromScores(const std::vector<double>& siteScores, const Options& options);

// mean + sd * z with Phi(z) = p; false when no value can be computed.
bool normalQuantile(double p, double q, double mean, double sd, double& result);

// Phi(x) and 1 - Phi(x), each computed directly.
std::pair<double, double> cumulativeNormal(double x);
