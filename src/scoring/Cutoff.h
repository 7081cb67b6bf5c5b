#pragma once

#include <string>
#include <utility>
#include <vector>

class Options;
class RunLog;
class Sequence;
class SiteCollection;

// Scores every site with the run's method and sets options.cutoff from the
// normal fit of those scores (or literally from the threshold). Writes the
// motif score log (logStem + "__motif_score_log.csv") when writeLogs is set;
// a log that cannot be created is announced on the run log channel.
void deriveCutoff(SiteCollection& collection, Options& options, const Sequence& referenceSequence,
                  const std::string& logStem, RunLog& log);

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
