#include "results/SequenceLogs.h"

#include "base/RunLog.h"
#include "sequences/SequenceSet.h"

namespace {

constexpr std::string::size_type lettersPerLine = 70;

} // namespace

void writeSequenceLogs(const SequenceSet& set, RunLog& log)
{
    if (!set.sequences.empty() && set.sequences.front().sourceFormat == 'G') {
        OutputFile geneLog;
        if (openDiagnosticLog(geneLog, set.stem + "_gene_log.csv", log)) {
            for (const Sequence& sequence : set.sequences)
                writeGeneLog(sequence, geneLog.stream());
            closeDiagnosticLog(geneLog, log);
        }
    }

    OutputFile sequenceLog;
    if (openDiagnosticLog(sequenceLog, set.stem + "_seq_log.txt", log)) {
        for (const Sequence& sequence : set.sequences)
            writeSequenceLog(sequenceLog.stream(), sequence);
        closeDiagnosticLog(sequenceLog, log);
    }
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
    out << '>' << sequence.name << '\n';
    // Lines go out in large blocks: a genome has tens of thousands of them.
    constexpr std::string::size_type blockSize = 1 << 16;
    std::string block;
    block.reserve(blockSize + lettersPerLine + 1);
    for (std::string::size_type from = 0; from < sequence.bases.size(); from += lettersPerLine) {
        block.append(sequence.bases, from, lettersPerLine);
        block += '\n';
        if (block.size() >= blockSize) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    block += '\n';
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
}
