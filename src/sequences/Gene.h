#pragma once

#include <cstdint>
#include <string>

// One CDS feature of a GenBank record. Coordinates are 1-based as in the file
// and given on the gene's own strand: for complement(a..b), start = b, end = a.
struct Gene {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    bool forward = false;
    std::string locusTag;
    std::string geneName;
    std::string product;
};
