#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One CDS feature of a GenBank record. Coordinates are 1-based as in the file
// and given on the gene's own strand: for complement(a..b), start = b, end = a.
struct Gene {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    bool forward = false;
    // The qualifier values as the results file and the gene log have always
    // shown them, so that stored files and the scripts comparing them keep
    // matching: the value's first line only, commas as '.'.
    std::string locusTag;
    std::string geneName;
    std::string product;
    // The whole values, their lines joined and their commas kept, where one
    // differs from the texts above (few do); kept apart, so that the genes
    // the nearest-gene walk and the reader go through stay small.
    struct WholeTexts {
        std::string locusTag;
        std::string geneName;
        std::string product;
    };
    std::shared_ptr<const WholeTexts> whole;

    // The whole values, for every output but those two files.
    const std::string& fullLocusTag() const { return pick(&WholeTexts::locusTag, locusTag); }
    const std::string& fullGeneName() const { return pick(&WholeTexts::geneName, geneName); }
    const std::string& fullProduct() const { return pick(&WholeTexts::product, product); }

private:
    const std::string& pick(std::string WholeTexts::*field, const std::string& firstLine) const
    {
        return whole && !((*whole).*field).empty() ? (*whole).*field : firstLine;
    }
};

// One stretch of a CDS location, 1-based and inclusive, low <= high, read on
// the strand given. `high` may pass the sequence's length: the part then runs
// on across the origin of a circular sequence (GFF3 writes such a CDS so).
// A partial end (GenBank's < or >) lies beyond the letters known.
struct LocationPart {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    bool forward = true;
    bool partialLow = false;
    bool partialHigh = false;
};

// What the protein of a CDS is made from, beside the gene above: read only
// when the proteins are asked for, so that a scan keeps its genes small.
struct CodingRecord {
    // In the order the CDS reads them, 5' to 3'; none where the location is
    // not understood (a part on another record, a site between two bases).
    std::vector<LocationPart> parts;
    std::string translation;     // the /translation, blanks dropped; empty when none is given
    std::uint8_t codonStart = 1; // 1 to 3: where the first whole codon starts
    std::uint16_t table = 11;    // the genetic code's NCBI number; 0 when the file gives an unreadable one
    bool pseudo = false;         // /pseudo, /pseudogene, GFF3 pseudo=true
};
