#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sequences/Gene.h"
#include "sequences/Hit.h"

// Whether a file says a molecule is circular or linear, or says nothing.
enum class Topology : std::uint8_t { unstated, circular, linear };

// The most characters of a sequence's printed name that are kept.
inline constexpr std::string::size_type maximumNameLength = 1024;

// One input sequence as read, with its background and, once analysed, its hits.
class Sequence {
public:
    char sourceFormat = 'F'; // 'F' from FASTA, 'G' from GenBank
    std::string locusName;   // GenBank LOCUS name; FASTA header text
    // Printed name: the DEFINITION's first line or the FASTA header text, as
    // the results file and the logs have always shown it.
    std::string name;
    // The whole DEFINITION, its lines joined, where it differs from `name`.
    std::string definition;
    // What genome browsers call the sequence: GenBank accession.version (the
    // LOCUS name without one), the FASTA header's first word.
    std::string id;
    std::vector<Gene> genes; // CDS features in file order (GenBank only)
    // Per gene, in step with `genes`, what its protein is made from; empty
    // unless the reader was asked for it.
    std::vector<CodingRecord> coding;
    std::string bases; // upper case, nothing filtered, as read: the scan never changes it
    double backgroundA = 0.25;
    double backgroundC = 0.25;
    double backgroundG = 0.25;
    double backgroundT = 0.25;
    double aprioriEntropy = 2.0;                                        // bits
    HitList hits;                                                       // sorted, with their gene context
    std::vector<WindowMeans, LargePageAllocator<WindowMeans>> hitMeans; // under integration, of hits[i]; else empty
    std::vector<WindowSignificance, LargePageAllocator<WindowSignificance>> hitSignificance; // when asked for, likewise
    double globalScoreMean = 0.0; // under integration: the reverse pass's mean score per letter of its text
    Topology statedTopology = Topology::unstated; // as the file states it (GenBank LOCUS, EMBL ID, GFF3 region)
    bool circular = true; // scanned with the windows across its ends, as a circular molecule has them

    // The integration means of hits[index]: all 0 without integration.
    WindowMeans meansOf(std::size_t index) const { return hitMeans.empty() ? WindowMeans() : hitMeans[index]; }
    // The significance of hits[index]: all NaN unless the run asked for it.
    const WindowSignificance& significanceOf(std::size_t index) const
    {
        static const WindowSignificance none;
        return hitSignificance.empty() ? none : hitSignificance[index];
    }
    // The place of a hit among `hits`, for the figures kept beside them.
    std::size_t indexOf(const Hit& hit) const { return static_cast<std::size_t>(&hit - hits.data()); }
    // The name every output but the results file and the logs shows.
    const std::string& fullName() const { return definition.empty() ? name : definition; }
};

// The texts of the gene a hit is placed against, looked up as a writer
// writes them; a hit placed against no gene shows "Unavailable" for each.
struct GeneTexts {
    const std::string& locusTag;
    const std::string& geneName;
    const std::string& product;
};

inline const Gene* chosenGene(const Sequence& sequence, const Hit& hit)
{
    return hit.geneIndex < sequence.genes.size() ? &sequence.genes[hit.geneIndex] : nullptr;
}

// Where the gene a hit is placed against lies, as the outputs give it: 0, 0
// and the reverse strand for a hit placed against no gene.
struct GenePlace {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    bool forward = false;
};

inline GenePlace genePlaceOf(const Sequence& sequence, const Hit& hit)
{
    if (const Gene* gene = chosenGene(sequence, hit))
        return {gene->start, gene->end, gene->forward};
    return {};
}

inline const std::string& unavailableText()
{
    static const std::string text = "Unavailable";
    return text;
}

// The whole texts, for every output but the results file.
inline GeneTexts wholeGeneTexts(const Sequence& sequence, const Hit& hit)
{
    if (const Gene* gene = chosenGene(sequence, hit))
        return {gene->fullLocusTag(), gene->fullGeneName(), gene->fullProduct()};
    return {unavailableText(), unavailableText(), unavailableText()};
}

// The first lines with commas as '.', as the results file has always shown them.
inline GeneTexts firstLineGeneTexts(const Sequence& sequence, const Hit& hit)
{
    if (const Gene* gene = chosenGene(sequence, hit))
        return {gene->locusTag, gene->geneName, gene->product};
    return {unavailableText(), unavailableText(), unavailableText()};
}
