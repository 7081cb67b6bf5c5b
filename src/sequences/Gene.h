#pragma once

#include <cstdint>
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
    // The whole values, their lines joined and their commas kept, only where
    // they differ from the texts above (few do).
    std::string wholeLocusTag;
    std::string wholeGeneName;
    std::string wholeProduct;

    // The whole values, for every output but those two files.
    const std::string& fullLocusTag() const { return wholeLocusTag.empty() ? locusTag : wholeLocusTag; }
    const std::string& fullGeneName() const { return wholeGeneName.empty() ? geneName : wholeGeneName; }
    const std::string& fullProduct() const { return wholeProduct.empty() ? product : wholeProduct; }
};
