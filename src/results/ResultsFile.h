#pragma once

#include <ostream>
#include <string>

#include "options/Options.h"
#include "results/SignificanceBound.h"

class Sequence;
class SequenceSet;

// stem + "_" + methodName + "_" + threshold (fixed, 3 decimals) + ".csv"
std::string resultsFileName(const SequenceSet& set, const Options& options);

// Under a selection by significance the bounds stand where the threshold
// does, stem + "_" + methodName + "_" + selectionNameText + ".csv", so that
// runs with other bounds keep their own files.
std::string resultsFileName(const SequenceSet& set, const Options& options, const SignificanceSelection& selection);

// Writes the results file of the run; reportError when it cannot be written.
void writeResults(const SequenceSet& set, Options options);
// Likewise; under a selection the cut-off line gives the score cut-off the
// bounds came to, and the bounds in place of how the cut-off was set.
void writeResults(const SequenceSet& set, Options options, const SignificanceSelection& selection);
// The hit table of one sequence: its header line, then one row per hit.
void writeHitTable(const Sequence& sequence, std::ostream& out);
