#include "tracks/RegulonTable.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <tuple>
#include <utility>

#include "base/OutputFile.h"
#include "options/Options.h"
#include "results/RowText.h"
#include "scoring/ScoreSense.h"
#include "sequences/Hit.h"
#include "sequences/Sequence.h"
#include "sequences/SequenceSet.h"
#include "tracks/TrackFiles.h"

TranscriptionUnits::TranscriptionUnits(const std::vector<Gene>& genes, std::uint64_t sequenceLength,
                                       std::uint32_t operonGap)
    : rank_(genes.size()), forward_(genes.size()), length_(static_cast<std::int64_t>(sequenceLength)), gap_(operonGap)
{
    for (std::size_t index = 0; index < genes.size(); ++index) {
        const Gene& gene = genes[index];
        forward_[index] = gene.forward;
        // The reverse strand read left to right: letter x becomes length + 1 - x.
        std::int64_t first = gene.start;
        std::int64_t last = gene.end;
        if (!gene.forward) {
            first = length_ + 1 - first;
            last = length_ + 1 - last;
        }
        if (last < first && length_ > 0)
            last += length_;
        strands_[gene.forward ? 0 : 1].push_back({first, last, index});
    }
    for (std::vector<Span>& strand : strands_) {
        std::sort(strand.begin(), strand.end(),
                  [](const Span& a, const Span& b) { return std::tie(a.first, a.gene) < std::tie(b.first, b.gene); });
        for (std::size_t place = 0; place < strand.size(); ++place)
            rank_[strand[place].gene] = place;
    }
}

std::vector<std::size_t> TranscriptionUnits::unitOf(std::size_t first) const
{
    const std::vector<Span>& strand = strands_[forward_[first] ? 0 : 1];
    const std::size_t head = rank_[first];
    const std::int64_t start = strand[head].first;
    std::int64_t reach = strand[head].last;
    std::vector<std::size_t> unit{first};
    for (std::size_t step = 1; step < strand.size(); ++step) {
        // Past the list's end the walk goes on across the origin, where the
        // genes lie one sequence's length further along.
        const bool acrossOrigin = head + step >= strand.size();
        const Span& next = strand[(head + step) % strand.size()];
        if (acrossOrigin && (length_ == 0 || next.first >= start))
            break; // back at the unit's first gene
        const std::int64_t shift = acrossOrigin ? length_ : 0;
        if (next.first + shift <= start)
            continue; // starts with the first gene, not after it
        if (next.first + shift - reach - 1 > gap_)
            break;
        unit.push_back(next.gene);
        reach = std::max(reach, next.last + shift);
    }
    return unit;
}

namespace {

// An operator hit that passes, and how it compares with the others of its gene.
struct GeneHits {
    std::size_t count = 0;
    const Hit* best = nullptr;
    const WindowSignificance* bestSignificance = nullptr;
};

// Whether hit `a` is the better operator hit of its gene: the smaller p, then
// the better score, then the leftmost window.
bool betterHit(const Hit& a, double pOfA, const Hit& b, double pOfB, ScoreSense sense, std::uint64_t sequenceLength)
{
    if (pOfA != pOfB)
        return pOfA < pOfB;
    if (a.score != b.score)
        return sense.better(a.score, b.score);
    return leftmostLetter(a, sequenceLength) < leftmostLetter(b, sequenceLength);
}

// Twice the signed distance from the hit's window's centre to the first
// letter of its gene, negative upstream on the gene's strand. Taken on the
// positions as the gene context compares them, before any wrap at the origin.
std::int64_t halfLettersToGene(const Hit& hit, const GenePlace& gene)
{
    const std::int64_t length = hit.windowLength;
    const std::int64_t leftmost =
        hit.forward ? std::int64_t{hit.position} + 1 : std::int64_t{hit.position} - length + 1;
    const std::int64_t centre = 2 * leftmost + length - 1;
    const std::int64_t geneStart = 2 * std::int64_t{gene.start};
    return gene.forward ? centre - geneStart : geneStart - centre;
}

// The score as the results file writes it, the figures as the hit table does.
void appendScore(std::string& row, double value)
{
    if (std::isnan(value))
        row += "NA";
    else
        appendRow(row, FourteenDigits{value});
}

void appendFigure(std::string& row, double value)
{
    appendRow(row, SignificantDigits{value, 4});
}

// The windows, both strands, whose hits count as operators of one gene: the
// positions within the operator bounds on either side of its start, as many
// as the sequence has at most.
std::int64_t operatorWindows(const Options& options, std::uint64_t sequenceLength)
{
    const std::int64_t perStrand =
        std::int64_t{options.operatorUpstream} + std::int64_t{options.operatorDownstream} - 1;
    return 2 * std::clamp<std::int64_t>(perStrand, 0, static_cast<std::int64_t>(sequenceLength));
}

// The unit's genes as two lists: locus tags, and names (the locus tag where a
// gene has no name).
void appendUnitGenes(std::string& row, const std::vector<Gene>& genes, const std::vector<std::size_t>& unit)
{
    const UnitGeneTexts texts = unitGeneTexts(genes, unit);
    appendTableText(row, texts.locusTags);
    row += '\t';
    appendTableText(row, texts.geneNames);
}

void addSequenceRows(std::vector<RegulonRow>& rows, std::size_t sequenceNumber, const Sequence& sequence,
                     const Options& options, const RegulonSettings& settings, double unitsTested)
{
    const std::vector<Gene>& genes = sequence.genes;
    if (genes.empty())
        return;
    const std::uint64_t length = sequence.bases.size();
    const ScoreSense sense = ScoreSense::ofMethod(options.methodCode);
    std::vector<GeneHits> byGene;
    for (std::size_t i = 0; i < sequence.hits.size(); ++i) {
        const Hit& hit = sequence.hits[i];
        const WindowSignificance& figures = sequence.significanceOf(i);
        if (hit.context != HitContext::Operator || hit.geneIndex >= genes.size() || !settings.bound.passes(figures))
            continue;
        if (byGene.empty())
            byGene.resize(genes.size());
        GeneHits& found = byGene[hit.geneIndex];
        ++found.count;
        if (found.best == nullptr
            || betterHit(hit, figures.pValue, *found.best, found.bestSignificance->pValue, sense, length)) {
            found.best = &hit;
            found.bestSignificance = &figures;
        }
    }
    if (byGene.empty())
        return;

    const TranscriptionUnits units(genes, length, settings.operonGap);
    const double windows = static_cast<double>(operatorWindows(options, length));
    for (std::size_t first = 0; first < genes.size(); ++first) {
        const GeneHits& found = byGene[first];
        if (found.best == nullptr)
            continue;
        const Hit& best = *found.best;
        // The chance that the region holds, by chance alone, a window as good
        // as the best: its windows taken as independent.
        const double unitP = -std::expm1(windows * std::log1p(-found.bestSignificance->pValue));
        rows.push_back({&sequence, sequenceNumber, first, units.unitOf(first), found.count, &best,
                        found.bestSignificance, leftmostLetter(best, length) + 1,
                        halfLettersToGene(best, genePlaceOf(sequence, best)), unitP, unitP * unitsTested});
    }
}

} // namespace

UnitGeneTexts unitGeneTexts(const std::vector<Gene>& genes, const std::vector<std::size_t>& unit)
{
    UnitGeneTexts texts;
    for (const std::size_t index : unit) {
        const Gene& gene = genes[index];
        if (!texts.locusTags.empty()) {
            texts.locusTags += ',';
            texts.geneNames += ',';
        }
        const std::string& tag = gene.fullLocusTag();
        texts.locusTags += tag.empty() ? "NA" : tag;
        texts.geneNames += !gene.fullGeneName().empty() ? gene.fullGeneName() : tag.empty() ? "NA" : tag;
    }
    return texts;
}

std::string halfLettersText(std::int64_t halves)
{
    std::string text;
    if (halves < 0) {
        text += '-';
        halves = -halves;
    }
    appendRow(text, halves / 2);
    if (halves % 2 != 0)
        text += ".5";
    return text;
}

std::vector<RegulonRow> regulonRows(const SequenceSet& set, const Options& options, const RegulonSettings& settings)
{
    // Every gene of the run could head a unit with an operator region of its own.
    std::size_t unitsTested = 0;
    for (const Sequence& sequence : set.sequences)
        unitsTested += sequence.sourceFormat == 'G' ? sequence.genes.size() : 0;

    std::vector<RegulonRow> rows;
    for (std::size_t number = 0; number < set.sequences.size(); ++number) {
        const Sequence& sequence = set.sequences[number];
        if (sequence.sourceFormat == 'G')
            addSequenceRows(rows, number, sequence, options, settings, static_cast<double>(unitsTested));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const RegulonRow& a, const RegulonRow& b) {
        return std::tie(a.unitP, a.sequenceNumber, a.bestStart) < std::tie(b.unitP, b.sequenceNumber, b.bestStart);
    });
    return rows;
}

namespace {

const char regulonHeader[] = "seq_id\tlocus_tag\tgene\tproduct\tunit_locus_tags\tunit_genes\toperator_hits\t"
                             "best_start\tbest_strand\tbest_score\tbest_p_value\tbest_e_value\tbest_q_value\t"
                             "best_distance\tunit_p_value\tunit_e_value\n";

// The table's rows, each led by `motif` and a tab when one is given.
void appendRegulonRows(std::string& text, const std::vector<RegulonRow>& rows, const std::string* motif)
{
    for (const RegulonRow& row : rows) {
        const Hit& best = *row.best;
        const Gene& gene = row.sequence->genes[row.firstGene];
        if (motif != nullptr) {
            appendTableText(text, *motif);
            text += '\t';
        }
        appendTableText(text, row.sequence->id);
        text += '\t';
        appendTableText(text, gene.fullLocusTag());
        text += '\t';
        appendTableText(text, gene.fullGeneName());
        text += '\t';
        appendTableText(text, gene.fullProduct());
        text += '\t';
        appendUnitGenes(text, row.sequence->genes, row.unit);
        appendRow(text, '\t', row.operatorHits, '\t', row.bestStart, best.forward ? "\t+\t" : "\t-\t");
        appendScore(text, best.score);
        const WindowSignificance& figures = *row.bestSignificance;
        for (const double figure : {figures.pValue, figures.eValue, figures.qValue}) {
            text += '\t';
            appendFigure(text, figure);
        }
        text += '\t';
        text += halfLettersText(row.halfLettersToGene);
        text += '\t';
        appendFigure(text, row.unitP);
        text += '\t';
        appendFigure(text, row.unitE);
        text += '\n';
    }
}

} // namespace

void writeRegulonTable(const SequenceSet& set, const Options& options, const RegulonSettings& settings,
                       const std::string& fileName)
{
    const std::vector<RegulonRow> rows = regulonRows(set, options, settings);
    writeOutputFile(fileName, "Regulon table", [&](std::ostream& out) {
        std::string text = regulonHeader;
        appendRegulonRows(text, rows, nullptr);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    });
}

MotifRegulonTable::MotifRegulonTable(const std::string& fileName)
    : file_(fileName, "Regulon table", std::string("motif\t") + regulonHeader)
{
}

void MotifRegulonTable::add(const std::string& motif, const SequenceSet& set, const Options& options,
                            const RegulonSettings& settings)
{
    std::string text;
    appendRegulonRows(text, regulonRows(set, options, settings), &motif);
    file_.stream().write(text.data(), static_cast<std::streamsize>(text.size()));
}
