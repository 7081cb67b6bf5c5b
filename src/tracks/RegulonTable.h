#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "results/SignificanceBound.h"
#include "sequences/Gene.h"
#include "tracks/TrackFiles.h"

class Hit;
class Options;
class Sequence;
class SequenceSet;

// What the regulon table counts: the operator hits that pass `bound`, and
// genes joined into one transcription unit while the gap between them is at
// most `operonGap` letters.
struct RegulonSettings {
    SignificanceBound bound; // q <= 0.1 unless the run sets its own
    // Within known E. coli operons adjacent genes mostly lie -4 to +20 letters
    // apart, while the gaps between transcription units are mostly over 100.
    std::uint32_t operonGap = 50;
};

// The transcription units of one sequence's genes. A unit is its first
// gene followed by each next gene downstream on the same strand (on the
// forward strand the genes that start after it, by increasing start; on the
// reverse strand by decreasing start) whose start lies at most `operonGap`
// letters past the unit's end so far (gap = start - end - 1, mirrored on the
// reverse strand; overlapping and nested genes count as within); the first
// gene beyond the gap ends it. Every sequence is scanned as circular, so a
// unit may run across the origin, never past its own first gene.
class TranscriptionUnits {
public:
    TranscriptionUnits(const std::vector<Gene>& genes, std::uint64_t sequenceLength, std::uint32_t operonGap);
    // The indices into `genes` of the unit that genes[first] heads, it first.
    std::vector<std::size_t> unitOf(std::size_t first) const;

private:
    // A gene on its strand's own axis, where it reads left to right: its
    // first and last letter, the last past the sequence's length for a gene
    // across the origin.
    struct Span {
        std::int64_t first;
        std::int64_t last;
        std::size_t gene;
    };

    std::vector<Span> strands_[2];  // forward, reverse; each by first letter
    std::vector<std::size_t> rank_; // a gene's place in its strand's list
    std::vector<bool> forward_;
    std::int64_t length_;
    std::int64_t gap_;
};

// A transcription unit whose first gene has an operator hit that passes the
// bound, with the best of those hits (the least p, then the better score,
// then the leftmost window).
struct RegulonRow {
    const Sequence* sequence;
    std::size_t sequenceNumber;    // its place in the run's set
    std::size_t firstGene;         // into sequence->genes
    std::vector<std::size_t> unit; // into sequence->genes, the first gene first
    std::size_t operatorHits;      // of the first gene, that pass
    const Hit* best;
    const WindowSignificance* bestSignificance; // the best hit's
    std::uint64_t bestStart;                    // the best hit's leftmost letter, 1-based
    std::int64_t halfLettersToGene;             // twice the distance from its centre to the gene's first letter
    // The chance that the operator region holds a window as good as the best
    // by chance alone, and that times the units tested.
    double unitP;
    double unitE;
};

// The regulon table's rows, by unit p-value, then by the sequence's place in
// the set, then by the best hit's start. Only GenBank sequences have genes to
// count. The hits' p, E and q values must have been computed; the rows point
// into `set`.
std::vector<RegulonRow> regulonRows(const SequenceSet& set, const Options& options, const RegulonSettings& settings);

// The locus tags and the gene names of a unit's genes, each list joined by
// commas as the table shows it: NA for a gene without a locus tag, its locus
// tag for one without a name.
struct UnitGeneTexts {
    std::string locusTags;
    std::string geneNames;
};
UnitGeneTexts unitGeneTexts(const std::vector<Gene>& genes, const std::vector<std::size_t>& unit);

// A count of half letters as letters: whole, or with ".5" (windows of even length).
std::string halfLettersText(std::int64_t halves);

// Writes the regulon table: one row per transcription unit whose first gene
// has an operator hit that passes the bound. The hits' p, E and q values
// must have been computed.
void writeRegulonTable(const SequenceSet& set, const Options& options, const RegulonSettings& settings,
                       const std::string& fileName);

// The regulon table of a run over several motifs: one file, its rows those of
// the table above with a `motif` column first, each motif's units added once
// it is scanned. A file that cannot be written goes through reportError.
class MotifRegulonTable {
public:
    explicit MotifRegulonTable(const std::string& fileName);
    void add(const std::string& motif, const SequenceSet& set, const Options& options, const RegulonSettings& settings);
    // Puts the whole table in place under its name.
    void finish() { file_.finish(); }

private:
    MotifTableFile file_;
};
