#pragma once

#include <string>
#include <utility>

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

// mean + sd * z with Phi(z) = p; false when no value can be computed.
bool normalQuantile(double p, double q, double mean, double sd, double& result);

// Phi(x) and 1 - Phi(x), each computed directly.
std::pair<double, double> cumulativeNormal(double x);
