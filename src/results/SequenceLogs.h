#pragma once

#include <ostream>

class RunLog;
class Sequence;
class SequenceSet;

// Writes stem + "_gene_log.csv" (when the first sequence is from GenBank) and
// stem + "_seq_log.txt".
void writeSequenceLogs(const SequenceSet& set, RunLog& log);
void writeGeneLog(const Sequence& sequence, std::ostream& out);
void writeSequenceLog(std::ostream& out, const Sequence& sequence);
