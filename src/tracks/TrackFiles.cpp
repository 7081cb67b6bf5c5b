#include "tracks/TrackFiles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "base/OutputFile.h"
#include "results/HitSignificance.h"
#include "results/RowText.h"
#include "results/SelectionCutoff.h"
#include "scan/Complement.h"
#include "sequences/Sequence.h"
#include "sequences/SequenceSet.h"

namespace {

// Lines go to the stream in blocks of about this size: a run may keep
// millions of hits.
constexpr std::size_t blockSize = std::size_t{1} << 20;

// Where a hit's window lies on the sequence as read.
struct Placement {
    std::uint64_t left;   // 0-based index of its leftmost letter
    std::uint64_t length; // letters
    std::uint64_t sequenceLength;

    // One past the last letter; past sequenceLength for a window across the origin.
    std::uint64_t end() const { return left + length; }
    bool crossesOrigin() const { return end() > sequenceLength; }
};

Placement placementOf(const Hit& hit, std::uint64_t sequenceLength)
{
    return {leftmostLetter(hit, sequenceLength), hit.windowLength, sequenceLength};
}

bool hasGeneContext(const Hit& hit)
{
    return hit.context != HitContext::Unknown;
}

// A figure with 4 significant digits (%.4g), NA where not available.
void appendFigure(std::string& text, double value)
{
    appendRow(text, SignificantDigits{value, 4});
}

// A score with 14 significant digits as the results file has it, NA where not available.
void appendScore(std::string& text, double value)
{
    if (std::isnan(value))
        text += "NA";
    else
        appendRow(text, FourteenDigits{value});
}

// Whether the p-value is only an upper bound; NA without a p-value.
const char* boundText(const WindowSignificance& hit, const char* yes, const char* no)
{
    return std::isnan(hit.pValue) ? "NA" : hit.pValueIsBound ? yes : no;
}

// The facts that head the BED and GFF3 files, each line after "# ": what
// made the file, and how many hits chance alone would give at its cut-off.
void appendHeaderFacts(std::string& text, const Options& options, const RunSignificance& significance,
                       const SignificanceSelection& selection)
{
    if (selection.active())
        appendRow(text, "# varno transcription-factor binding sites; method ", methodName(options.methodCode),
                  "; cut-off ", FourteenDigits{selection.scoreCutoff}, " (selected by ",
                  selectionRuleText(selection.bounds), "; the threshold is unused)\n");
    else
        appendRow(text, "# varno transcription-factor binding sites; method ", methodName(options.methodCode),
                  "; cut-off ", FourteenDigits{options.cutoff},
                  options.literalCutoff ? " (literal)\n" : " (computed)\n");
    appendRow(text, "# windows scanned (both strands of every sequence): ", significance.windowsScanned,
              "; expected chance hits at the cut-off (E-value): ");
    if (!significance.computed)
        appendRow(text, "NA (",
                  significance.unavailableReason.empty() ? std::string("not computed") : significance.unavailableReason,
                  ")\n");
    else if (std::isnan(significance.cutoffEValue))
        text += "NA (not defined at this cut-off)\n";
    else {
        appendFigure(text, significance.cutoffEValue);
        text += '\n';
    }
    if (options.useIntegration)
        text += "# under integration a hit's score is its integrated score; its p-, E- and q-values refer to the "
                "window's own score, before integration\n";
}

// Hands the text to the stream once it holds a block, or at the end.
void flushText(std::ostream& out, std::string& text, bool atEnd = false)
{
    if (!atEnd && text.size() < blockSize)
        return;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    text.clear();
}

// ---- Table

} // namespace

void appendTableText(std::string& row, const std::string& text)
{
    if (text.empty()) {
        row += "NA";
        return;
    }
    if (std::none_of(text.begin(), text.end(),
                     [](char letter) { return letter == '\t' || letter == '\r' || letter == '\n' || letter == '"'; })) {
        row += text;
        return;
    }
    const bool quoted = text.find('"') != std::string::npos;
    if (quoted)
        row += '"';
    for (const char letter : text) {
        if (letter == '\t' || letter == '\r' || letter == '\n')
            row += ' ';
        else if (letter == '"')
            row += "\"\"";
        else
            row += letter;
    }
    if (quoted)
        row += '"';
}

HitTableRow hitTableRow(const Sequence& sequence, const Hit& hit, bool integratedColumns, bool integratedHit)
{
    const Placement place = placementOf(hit, sequence.bases.size());
    const double own = sequence.significanceOf(sequence.indexOf(hit)).ownScore;
    const double score = integratedHit && !integratedColumns ? own : hit.score;
    const double ownScore = integratedHit ? own : hit.score;
    return {place.left + 1,
            place.end(),
            score,
            ownScore,
            windowLetters(sequence.bases, hit),
            hasGeneContext(hit),
            wholeGeneTexts(sequence, hit)};
}

namespace {

void appendTableRow(std::string& row, const Sequence& sequence, const Hit& hit, bool integratedColumns,
                    bool integratedHit)
{
    const HitTableRow shown = hitTableRow(sequence, hit, integratedColumns, integratedHit);
    const WindowSignificance& figures = sequence.significanceOf(sequence.indexOf(hit));
    appendTableText(row, sequence.id);
    row += '\t';
    appendTableText(row, sequence.fullName());
    appendRow(row, '\t', shown.start, '\t', shown.end, hit.forward ? "\t+\t" : "\t-\t");
    appendScore(row, shown.score);
    if (integratedColumns) {
        row += '\t';
        appendScore(row, shown.ownScore);
    }
    for (const double figure : {figures.pValue, figures.eValue, figures.qValue}) {
        row += '\t';
        appendFigure(row, figure);
    }
    appendRow(row, '\t', boundText(figures, "TRUE", "FALSE"), '\t');
    appendTableText(row, shown.window);
    if (!shown.hasGene) {
        row += "\tNA\tNA\tNA\tNA\tNA\tNA\tNA\tNA\n";
        return;
    }
    row += '\t';
    row += contextName(hit.context);
    const GenePlace gene = genePlaceOf(sequence, hit);
    appendRow(row, '\t', hit.distance, gene.forward ? "\t+\t" : "\t-\t", gene.start, '\t', gene.end, '\t');
    appendTableText(row, shown.gene.locusTag);
    row += '\t';
    appendTableText(row, shown.gene.geneName);
    row += '\t';
    appendTableText(row, shown.gene.product);
    row += '\n';
}

// ---- BED

// 0..1000 from the p-value: min(1000, round(-100 log10 p)), so 1000 from
// p = 1e-10 down; 0 where p is not available.
int bedScore(double pValue)
{
    if (std::isnan(pValue) || pValue >= 1.0)
        return 0;
    if (pValue <= 0.0)
        return 1000;
    return static_cast<int>(std::min(1000.0, std::round(-100.0 * std::log10(pValue))));
}

void appendBedLines(std::string& text, const Sequence& sequence, const Hit& hit)
{
    const Placement place = placementOf(hit, sequence.bases.size());
    const std::string name = oneWord(windowLetters(sequence.bases, hit));
    const int score = bedScore(sequence.significanceOf(sequence.indexOf(hit)).pValue);
    const char strand = hit.forward ? '+' : '-';
    const auto appendPiece = [&](std::uint64_t start, std::uint64_t end) {
        appendRow(text, sequence.id, '\t', start, '\t', end, '\t', name, '\t', score, '\t', strand, '\n');
    };
    if (!place.crossesOrigin()) {
        appendPiece(place.left, place.end());
        return;
    }
    // The piece at the sequence's end holds the forward window's 5' letters,
    // the one at its start the reverse window's.
    const std::uint64_t pastOrigin = place.end() - place.sequenceLength;
    if (hit.forward) {
        appendPiece(place.left, place.sequenceLength);
        appendPiece(0, pastOrigin);
    } else {
        appendPiece(0, pastOrigin);
        appendPiece(place.left, place.sequenceLength);
    }
}

// ---- GFF3

// The bytes that a text may hold unescaped, one table per kind of text.
using PlainBytes = std::array<bool, 256>;

// A seqid: letters, digits and a few marks.
const PlainBytes plainInSeqid = [] {
    PlainBytes plain{};
    for (int code = 0; code < 256; ++code)
        plain[code] = (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9');
    for (const char* mark = ".:^*$@!+_?-|"; *mark != '\0'; ++mark)
        plain[static_cast<unsigned char>(*mark)] = true;
    return plain;
}();

// An attribute value: anything but its separators, '%' itself, tabs and
// other control characters.
const PlainBytes plainInAttribute = [] {
    PlainBytes plain{};
    for (int code = ' '; code < 256; ++code)
        plain[code] = code != 0x7f && std::strchr(";=&,%", code) == nullptr;
    return plain;
}();

void appendEscaped(std::string& text, const std::string& value, const PlainBytes& plain)
{
    const auto isPlain = [&plain](char letter) { return plain[static_cast<unsigned char>(letter)]; };
    if (std::all_of(value.begin(), value.end(), isPlain)) {
        text += value;
        return;
    }
    constexpr char hexDigits[] = "0123456789ABCDEF";
    for (const char letter : value) {
        const auto code = static_cast<unsigned char>(letter);
        if (plain[code])
            text += letter;
        else
            appendRow(text, '%', hexDigits[code >> 4], hexDigits[code & 0xf]);
    }
}

// ";tag=value"; an empty value is left out, as GFF3 wants none.
void appendAttribute(std::string& text, const char* tag, const std::string& value)
{
    if (value.empty())
        return;
    appendRow(text, ';', tag, '=');
    appendEscaped(text, value, plainInAttribute);
}

void appendFigureAttribute(std::string& text, const char* tag, double value)
{
    appendRow(text, ';', tag, '=');
    appendFigure(text, value);
}

void appendGffHit(std::string& text, const std::string& seqid, std::size_t sequenceNumber, std::size_t hitNumber,
                  const Sequence& sequence, const Hit& hit, bool integrated)
{
    const Placement place = placementOf(hit, sequence.bases.size());
    const WindowSignificance& figures = sequence.significanceOf(sequence.indexOf(hit));
    appendRow(text, seqid, "\tvarno\tTF_binding_site\t", place.left + 1, '\t', place.end(), '\t');
    if (std::isfinite(hit.score))
        appendRow(text, FourteenDigits{hit.score});
    else
        text += '.';
    appendRow(text, hit.forward ? "\t+\t.\t" : "\t-\t.\t", "ID=site_", sequenceNumber, '_', hitNumber);
    appendAttribute(text, "Name", windowLetters(sequence.bases, hit));
    text += ";Ontology_term=SO:0000235";
    if (integrated) {
        text += ";own_score=";
        appendScore(text, figures.ownScore);
    }
    appendFigureAttribute(text, integrated ? "own_p_value" : "p_value", figures.pValue);
    appendFigureAttribute(text, integrated ? "own_e_value" : "e_value", figures.eValue);
    appendFigureAttribute(text, integrated ? "own_q_value" : "q_value", figures.qValue);
    appendRow(text, ";p_is_bound=", boundText(figures, "true", "false"));
    if (hasGeneContext(hit)) {
        appendAttribute(text, "context", contextName(hit.context));
        const GenePlace genePlace = genePlaceOf(sequence, hit);
        appendRow(text, ";distance=", hit.distance, ";gene_strand=", genePlace.forward ? '+' : '-',
                  ";gene_start=", genePlace.start, ";gene_end=", genePlace.end);
        const GeneTexts gene = wholeGeneTexts(sequence, hit);
        appendAttribute(text, "locus_tag", gene.locusTag);
        appendAttribute(text, "gene", gene.geneName);
        appendAttribute(text, "product", gene.product);
    }
    text += '\n';
}

} // namespace

namespace {

void appendTableHeader(std::string& text, bool integrated)
{
    text += integrated ? "seq_id\tseq_name\tstart\tend\tstrand\tscore\town_score\town_p_value\town_e_value\t"
                         "own_q_value"
                       : "seq_id\tseq_name\tstart\tend\tstrand\tscore\tp_value\te_value\tq_value";
    text += "\tp_is_bound\twindow\tcontext\tdistance\tgene_strand\tgene_start\tgene_end\tlocus_tag\tgene\tproduct\n";
}

// Every hit of the set as table rows, each after `motif` and a tab when given.
void writeTableRows(std::ostream& out, std::string& text, const SequenceSet& set, bool integratedColumns,
                    bool integratedHits, const std::string* motif)
{
    for (const Sequence& sequence : set.sequences) {
        for (const Hit& hit : sequence.hits) {
            if (motif != nullptr) {
                appendTableText(text, *motif);
                text += '\t';
            }
            appendTableRow(text, sequence, hit, integratedColumns, integratedHits);
            flushText(out, text);
        }
    }
    flushText(out, text, true);
}

} // namespace

void writeTsv(const SequenceSet& set, const Options& options, const std::string& fileName)
{
    const bool integrated = options.useIntegration;
    writeOutputFile(fileName, "Hit table", [&](std::ostream& out) {
        std::string text;
        appendTableHeader(text, integrated);
        writeTableRows(out, text, set, integrated, integrated, nullptr);
    });
}

MotifTableFile::MotifTableFile(const std::string& fileName, const char* what, const std::string& header)
    : fileName_(fileName), what_(what)
{
    if (!out_.open(fileName_))
        reportError({std::string(what_) + " could not be written: " + fileName_});
    out_.stream().write(header.data(), static_cast<std::streamsize>(header.size()));
}

void MotifTableFile::finish()
{
    if (!out_.commit())
        reportError({std::string(what_) + " could not be written: " + fileName_});
}

namespace {

std::string motifHitTableHeader(bool integrated)
{
    std::string text = "motif\t";
    appendTableHeader(text, integrated);
    return text;
}

} // namespace

MotifHitTable::MotifHitTable(const std::string& fileName, bool integrated)
    : file_(fileName, "Hit table", motifHitTableHeader(integrated)), integrated_(integrated)
{
}

void MotifHitTable::add(const std::string& motif, const SequenceSet& set, const Options& options)
{
    std::string text;
    writeTableRows(file_.stream(), text, set, integrated_, options.useIntegration, &motif);
}

void writeBed(const SequenceSet& set, const Options& options, const RunSignificance& significance,
              const std::string& fileName, const SignificanceSelection& selection)
{
    writeOutputFile(fileName, "BED file", [&](std::ostream& out) {
        std::string text;
        appendHeaderFacts(text, options, significance, selection);
        text += "# name: the window's letters, 5'->3' on its strand; score: min(1000, round(-100 log10 p)) of its "
                "p-value, 0 where there is none\n"
                "# every sequence is circular: a window across the origin is written as its two pieces, with the "
                "same name, score and strand, in the window's 5'->3' order\n";
        for (const Sequence& sequence : set.sequences) {
            for (const Hit& hit : sequence.hits) {
                appendBedLines(text, sequence, hit);
                flushText(out, text);
            }
        }
        flushText(out, text, true);
    });
}

void writeGff3(const SequenceSet& set, const Options& options, const RunSignificance& significance,
               const std::string& fileName, const SignificanceSelection& selection)
{
    const bool integrated = options.useIntegration;
    writeOutputFile(fileName, "GFF3 file", [&](std::ostream& out) {
        std::vector<std::string> seqids;
        std::string text = "##gff-version 3\n";
        for (const Sequence& sequence : set.sequences) {
            seqids.emplace_back();
            appendEscaped(seqids.back(), sequence.id, plainInSeqid);
            appendRow(text, "##sequence-region ", seqids.back(), " 1 ", sequence.bases.size(), '\n');
        }
        appendHeaderFacts(text, options, significance, selection);
        text += "# score column: the hit's score by the method; a window across the origin ends past its "
                "sequence's length, on a region marked circular\n";
        for (std::size_t index = 0; index < set.sequences.size(); ++index) {
            const Sequence& sequence = set.sequences[index];
            const std::string& seqid = seqids[index];
            // A region scanned as linear has no window across its ends.
            appendRow(text, seqid, "\tvarno\tregion\t1\t", sequence.bases.size(), "\t.\t.\t.\tID=region_", index + 1);
            appendAttribute(text, "Name", sequence.id);
            text += sequence.circular ? ";Is_circular=true\n" : "\n";
            for (std::size_t hit = 0; hit < sequence.hits.size(); ++hit) {
                appendGffHit(text, seqid, index + 1, hit + 1, sequence, sequence.hits[hit], integrated);
                flushText(out, text);
            }
        }
        flushText(out, text, true);
    });
}

std::string trackFileName(const std::string& resultsFileName, const std::string& extension)
{
    const std::string csv = ".csv";
    const bool endsInCsv = resultsFileName.size() >= csv.size()
                        && resultsFileName.compare(resultsFileName.size() - csv.size(), csv.size(), csv) == 0;
    return (endsInCsv ? resultsFileName.substr(0, resultsFileName.size() - csv.size()) : resultsFileName) + extension;
}
