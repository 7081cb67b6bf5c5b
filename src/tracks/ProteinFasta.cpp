#include "tracks/ProteinFasta.h"

#include <cstddef>
#include <ostream>
#include <string>
#include <unordered_set>

#include "base/OutputFile.h"
#include "results/RowText.h"
#include "sequences/SequenceSet.h"
#include "sequences/Translation.h"

namespace {

constexpr std::size_t lettersPerLine = 60;

// The first word of a record's header, unique in the file.
std::string recordName(const Sequence& sequence, std::size_t geneIndex, std::unordered_set<std::string>& given)
{
    const std::string& locusTag = sequence.genes[geneIndex].fullLocusTag();
    const std::string name =
        oneWord(sequence.id) + '|' + (locusTag.empty() ? "cds_" + std::to_string(geneIndex + 1) : oneWord(locusTag));
    std::string unique = name;
    for (unsigned copy = 2; !given.insert(unique).second; ++copy)
        unique = name + '_' + std::to_string(copy);
    return unique;
}

} // namespace

void writeProteinFasta(const SequenceSet& set, const std::string& fileName)
{
    writeOutputFile(fileName, "Protein file", [&](std::ostream& out) {
        std::unordered_set<std::string> given;
        std::string record;
        for (const Sequence& sequence : set.sequences) {
            for (std::size_t index = 0; index < sequence.coding.size(); ++index) {
                const std::string protein = proteinOf(sequence, index);
                if (protein.empty())
                    continue;
                const Gene& gene = sequence.genes[index];
                record = '>' + recordName(sequence, index, given);
                if (!gene.fullGeneName().empty())
                    record += " gene=" + gene.fullGeneName();
                if (!gene.fullProduct().empty())
                    record += " product=" + gene.fullProduct();
                for (std::size_t at = 0; at < protein.size(); at += lettersPerLine) {
                    record += '\n';
                    record.append(protein, at, lettersPerLine);
                }
                record += '\n';
                out.write(record.data(), static_cast<std::streamsize>(record.size()));
            }
        }
    });
}
