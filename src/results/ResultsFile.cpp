#include "results/ResultsFile.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <ios>
#include <sstream>

#include "driver/ErrorReport.h"
#include "results/Hit.h"
#include "sequences/Sequence.h"
#include "sequences/SequenceSet.h"

namespace {

// Written first under this name beside the results file, and renamed into
// place only once complete, so a failed write never leaves a truncated file
// under the final name nor spoils an earlier one.
std::string temporaryName(const std::string& fileName)
{
    return fileName + ".tmp";
}

// The stream's formatting state carries over from line to line on purpose:
// a "Global score mean:," line takes the precision the last hit row left.
void writeContent(SequenceSet& set, const Options& options, std::ostream& out)
{
    std::size_t siteCount = 0;
    for (set.cursor = 0; set.cursor < set.sequences.size(); ++set.cursor) {
        Sequence& sequence = set.sequences[set.cursor];
        out << "Sequence," << sequence.getName() << '\n';
        out << "Global score mean:," << sequence.globalScoreMean << '\n';
        writeHitTable(sequence, out);
        siteCount += sequence.hits.size();
    }

    out.precision(3);
    out << '\n';
    out << "Sequences," << set.sequences.size() << '\n';
    out << "Sites," << siteCount << '\n';
    out << "A priori H," << std::fixed << set.sequences.front().aprioriEntropy << '\n';
    out << "Method," << methodName(options) << '\n';
    out << "Cut-off," << std::showpos << options.cutoff << "; - " << (options.literalCutoff ? "Literal" : "Computed")
        << '\n';
}

} // namespace

std::string resultsFileName(const SequenceSet& set, const Options& options)
{
    std::ostringstream threshold;
    threshold.setf(std::ios::fixed, std::ios::floatfield);
    threshold.precision(3);
    threshold << options.threshold;
    return set.getStem() + "_" + methodName(options) + "_" + threshold.str() + ".csv";
}

void writeResults(SequenceSet& set, Options options)
{
    const std::string fileName = resultsFileName(set, options);
    const std::string temporary = temporaryName(fileName);
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::out | std::ios::trunc);
        if (out.is_open()) {
            writeContent(set, options, out);
            out.close();
            written = !out.fail();
        }
    }
    if (!written || std::rename(temporary.c_str(), fileName.c_str()) != 0) {
        std::remove(temporary.c_str());
        reportError({"Results file could not be written: " + fileName});
    }
}

void writeHitTable(Sequence& sequence, std::ostream& out)
{
    out << "Score,Motif,Strand,Distance,Type,Abs. position,Gene strand,Start,End,Gene tag,Gene,Product,"
           "Local Mean,Up Mean,Dw Mean\n";
    for (sequence.hitCursor = 0; sequence.hitCursor < sequence.hits.size(); ++sequence.hitCursor)
        writeHitRow(out, sequence.hits[sequence.hitCursor]);
}

void writeHitRow(std::ostream& out, const Hit& hit)
{
    out.precision(14);
    // 1-based coordinate, in 64 bits so that the last 32-bit position stays nonzero.
    const std::uint64_t absolutePosition = std::uint64_t{hit.position} + 1;
    out << hit.score << ',' << hit.window << ',' << (hit.forward ? 1 : 0) << ',' << hit.distance << ',' << hit.type
        << ',' << absolutePosition << ',' << (hit.geneForward ? 1 : 0) << ',' << hit.geneStart << ',' << hit.geneEnd
        << ',' << hit.geneTag << ',' << hit.geneName << ',' << hit.geneProduct << ',' << hit.localMean << ','
        << hit.upMean << ',' << hit.downMean << '\n';
}
