#pragma once

#include <ostream>
#include <string>

#include "options/Options.h"

class Sequence;
class SequenceSet;

// stem + "_" + methodName + "_" + threshold (fixed, 3 decimals) + ".csv"
std::string resultsFileName(const SequenceSet& set, const Options& options);

// Writes the results file of the run; reportError when it cannot be written.
void writeResults(const SequenceSet& set, Options options);
// The hit table of one sequence: its header line, then one row per hit.
void writeHitTable(const Sequence& sequence, std::ostream& out);
