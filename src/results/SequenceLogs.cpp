#include "results/SequenceLogs.h"

#include <algorithm>
#include <fstream>

#include "motif/CollectionLogs.h"
#include "sequences/SequenceSet.h"

namespace {

constexpr std::string::size_type lettersPerLine = 70;

} // namespace

void writeSequenceLogs(SequenceSet& set, RunLog& log)
{
    set.cursor = 0;
    if (!set.sequences.empty() && set.sequences.front().sourceFormat == 'G') {
        std::ofstream geneLog;
        if (openDiagnosticLog(geneLog, set.getStem() + "_gene_log.csv", log))
            for (const Sequence& sequence : set.sequences)
                writeGeneLog(sequence, geneLog);
    }

    std::ofstream sequenceLog;
    if (openDiagnosticLog(sequenceLog, set.getStem() + "_seq_log.txt", log))
        for (const Sequence& sequence : set.sequences)
            writeSequenceLog(sequenceLog, sequence);
    set.cursor = 0;
}

void writeGeneLog(const Sequence& sequence, std::ostream& out)
{
    out << "Begin,End,Sense,Locus,Product,Gene\n";
    for (const Gene& gene : sequence.genes)
        out << gene.start << ',' << gene.end << ',' << (gene.forward ? 1 : 0) << ',' << gene.locusTag << ','
            << gene.product << ',' << gene.geneName << '\n';
    out << ";;;;,\n";
}

void writeSequenceLog(std::ostream& out, const Sequence& sequence)
{
    out << '>' << sequence.getName() << '\n';
    for (std::string::size_type from = 0; from < sequence.bases.size(); from += lettersPerLine)
        out.write(sequence.bases.data() + from,
                  static_cast<std::streamsize>(std::min(lettersPerLine, sequence.bases.size() - from)))
            << '\n';
    out << '\n';
}
