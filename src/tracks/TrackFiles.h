#pragma once

#include <cstdint>
#include <string>

#include "base/OutputFile.h"
#include "options/Options.h"
#include "results/SignificanceBound.h"
#include "sequences/Sequence.h"

class SequenceSet;
struct RunSignificance;

// The hits of a run in the formats other tools read: a tab-separated table
// for data-frame readers, BED6 for bedtools and genome browsers, GFF3 for
// annotation tools. Each writes the hits of every sequence in the run's
// order, through an OutputFile, and goes through reportError when the file
// cannot be written.
//
// Every sequence is scanned as circular, so a window may run across the
// origin. Its coordinates in the table and in GFF3 are 1-based inclusive on
// the sequence as read, start..start + length - 1, where the end then lies
// past the sequence's length S: the letters are start..S followed by 1..end - S.
// GFF3 allows that on a region marked Is_circular=true. BED cannot express
// it, so there such a window is written as its two pieces (see writeBed).

// The table: a header line, then one tab-separated line per hit.
void writeTsv(const SequenceSet& set, const Options& options, const std::string& fileName);

// One hit as a row of the table shows it, beside the hit's own fields (its
// strand, figures and gene context): for the table's writers, and for a
// caller that takes the rows as values, as a binding for another language
// builds a data frame of them. With `integratedColumns` the row has a score
// and the window's own score; a hit of a run without integration has but
// one score, shown in both; one of a run with integration shows its own
// score alone in a table without those columns, the score its figures are of.
struct HitTableRow {
    std::uint64_t start; // 1-based: the window's leftmost letter on the sequence as read
    std::uint64_t end;   // start + length - 1, past the sequence's length across the origin
    double score;
    double ownScore;    // shown with integratedColumns only
    std::string window; // its letters, 5'->3' on its strand
    bool hasGene;       // the hit is placed against a gene: the context columns are given
    GeneTexts gene;     // the whole texts, when hasGene
};
HitTableRow hitTableRow(const Sequence& sequence, const Hit& hit, bool integratedColumns, bool integratedHit);

// A table of a run over several motifs, written as each motif is scanned
// under a temporary name and put in place whole by finish(); `what` names it
// in the error of a file that cannot be written (through reportError).
class MotifTableFile {
public:
    MotifTableFile(const std::string& fileName, const char* what, const std::string& header);
    std::ostream& stream() { return out_.stream(); }
    void finish();

private:
    std::string fileName_;
    const char* what_;
    OutputFile out_;
};

// The table of a run over several motifs: one file, its rows those of the
// table above with a `motif` column first, each motif's hits added once it
// is scanned. Its columns are those of the run's own settings (`integrated`);
// a motif whose own settings differ on integration is written in them (see
// appendTableRow). A file that cannot be written goes through reportError.
class MotifHitTable {
public:
    MotifHitTable(const std::string& fileName, bool integrated);
    void add(const std::string& motif, const SequenceSet& set, const Options& options);
    // Puts the whole table in place under its name.
    void finish() { file_.finish(); }

private:
    MotifTableFile file_;
    bool integrated_;
};
// The BED and GFF3 headers state the cut-off: under a selection by
// significance, the score cut-off its bounds came to, and the bounds.
//
// BED6 with '#' header lines. A window across the origin gives two lines with
// the same name, score and strand, in the window's 5'->3' order on its strand,
// so that their letters joined in file order are the window's.
void writeBed(const SequenceSet& set, const Options& options, const RunSignificance& significance,
              const std::string& fileName, const SignificanceSelection& selection = SignificanceSelection());
// GFF3: one circular region per sequence, one TF_binding_site per hit.
void writeGff3(const SequenceSet& set, const Options& options, const RunSignificance& significance,
               const std::string& fileName, const SignificanceSelection& selection = SignificanceSelection());

// Appends a text field of a tab-separated table. Tabs and line ends would
// split the row: they become blanks. The default readers of pandas and R
// take a '"' as a quote, so a text with one is quoted, its quotes doubled,
// which both read back as it was. An empty text is missing: NA.
void appendTableText(std::string& row, const std::string& text);

// The results file's name with its ".csv" replaced by `extension` (".tsv",
// ".bed", ".gff3"); a name without ".csv" gets the extension appended.
std::string trackFileName(const std::string& resultsFileName, const std::string& extension);
