#pragma once

#include <cstdint>
#include <memory>
#include <string>

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
