#pragma once

#include <ostream>
#include <string>

#include "options/Options.h"

class Hit;
class Sequence;
class SequenceSet;

// stem + "_" + methodName + "_" + threshold (fixed, 3 decimals) + ".csv"
std::string resultsFileName(const SequenceSet& set, const Options& options);

// Writes the results file of the run; reportError when it cannot be written.
void writeResults(SequenceSet& set, Options options);
void writeHitTable(Sequence& sequence, std::ostream& out);
void writeHitRow(std::ostream& out, const Hit& hit);
