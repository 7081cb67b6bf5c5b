#include "results/ResultsFile.h"

#include <algorithm>
#include <cstdint>
#include <ios>
#include <sstream>

#include "base/OutputFile.h"
#include "results/RowText.h"
#include "results/SelectionCutoff.h"
#include "scan/Complement.h"
#include "sequences/Sequence.h"
#include "sequences/SequenceSet.h"

namespace {
// Significant digits of the numbers of a hit row (putFourteenDigits), left
// on the stream for the lines after the rows.
constexpr int rowPrecision = 14;

// One result row. Numbers come out exactly as the stream prints them at
// precision 14 in general notation (%.14g); the 1-based coordinate is
// computed in 64 bits so the last 32-bit position stays nonzero.
void appendHitRow(std::string& row, const Sequence& sequence, const Hit& hit, const WindowMeans& means)
{
    const GeneTexts gene = firstLineGeneTexts(sequence, hit);
    const GenePlace place = genePlaceOf(sequence, hit);
    appendRow(row, FourteenDigits{hit.score}, ',');
    appendWindowLetters(row, sequence.bases, hit);
    appendRow(row, hit.forward ? ",1," : ",0,", hit.distance, ',', contextName(hit.context), ',',
              std::uint64_t{hit.position} + 1, place.forward ? ",1," : ",0,", place.start, ',', place.end, ',',
              gene.locusTag, ',', gene.geneName, ',', gene.product, ',', FourteenDigits{means.local}, ',',
              FourteenDigits{means.up}, ',', FourteenDigits{means.down}, '\n');
}

// The stream's formatting state carries over from line to line on purpose:
// a "Global score mean:," line takes the precision the last hit row left.
void writeContent(const SequenceSet& set, const Options& options, const SignificanceSelection& selection,
                  std::ostream& out)
{
    std::size_t siteCount = 0;
    for (const Sequence& sequence : set.sequences) {
        out << "Sequence," << sequence.name << '\n';
        out << "Global score mean:," << sequence.globalScoreMean << '\n';
        writeHitTable(sequence, out);
        siteCount += sequence.hits.size();
    }

    out.precision(3);
    out << '\n';
    out << "Sequences," << set.sequences.size() << '\n';
    out << "Sites," << siteCount << '\n';
    out << "A priori H," << std::fixed << set.sequences.front().aprioriEntropy << '\n';
    out << "Method," << methodName(options.methodCode) << '\n';
    if (selection.active())
        out << "Cut-off," << std::showpos << selection.scoreCutoff << "; - " << selectionRuleText(selection.bounds)
            << '\n';
    else
        out << "Cut-off," << std::showpos << options.cutoff << "; - "
            << (options.literalCutoff ? "Literal" : "Computed") << '\n';
}

} // namespace

std::string resultsFileName(const SequenceSet& set, const Options& options)
{
    return resultsFileName(set, options, SignificanceSelection());
}

std::string resultsFileName(const SequenceSet& set, const Options& options, const SignificanceSelection& selection)
{
    if (selection.active())
        return set.stem + "_" + methodName(options.methodCode) + "_" + selectionNameText(selection.bounds) + ".csv";
    std::ostringstream threshold;
    threshold.setf(std::ios::fixed, std::ios::floatfield);
    threshold.precision(3);
    threshold << options.threshold;
    return set.stem + "_" + methodName(options.methodCode) + "_" + threshold.str() + ".csv";
}

void writeResults(const SequenceSet& set, Options options)
{
    writeResults(set, options, SignificanceSelection());
}

void writeResults(const SequenceSet& set, Options options, const SignificanceSelection& selection)
{
    writeOutputFile(resultsFileName(set, options, selection), "Results file",
                    [&](std::ostream& out) { writeContent(set, options, selection, out); });
}

void writeHitTable(const Sequence& sequence, std::ostream& out)
{
    out << "Score,Motif,Strand,Distance,Type,Abs. position,Gene strand,Start,End,Gene tag,Gene,Product,"
           "Local Mean,Up Mean,Dw Mean\n";
    if (sequence.hits.empty())
        return;
    // Rows leave precision 14 on the stream for the lines after them.
    out.precision(rowPrecision);
    // Rows go out in blocks of some 64 KiB: few writes for millions of hits,
    // and one small buffer, written over again, rather than fresh memory.
    constexpr std::size_t blockBytes = std::size_t{1} << 16;
    std::string rows;
    for (std::size_t index = 0; index < sequence.hits.size(); ++index) {
        appendHitRow(rows, sequence, sequence.hits[index], sequence.meansOf(index));
        if (rows.size() >= blockBytes) {
            out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
            rows.clear();
        }
    }
    out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
}
