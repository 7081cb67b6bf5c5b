#pragma once

#include <string>
#include <vector>

#include "sequences/Gene.h"
#include "sequences/Hit.h"

// One input sequence as read, with its background and, once analysed, its hits.
class Sequence {
public:
    char sourceFormat = 'F'; // 'F' from FASTA, 'G' from GenBank
    std::string locusName;   // GenBank LOCUS name; FASTA header text
    std::string name;        // printed name: DEFINITION text or FASTA header text
    // What genome browsers call the sequence: GenBank accession.version (the
    // LOCUS name without one), the FASTA header's first word.
    std::string id;
    std::vector<Gene> genes; // CDS features in file order (GenBank only)
    std::string bases;       // upper case, nothing filtered, as read: the scan never changes it
    double backgroundA = 0.25;
    double backgroundC = 0.25;
    double backgroundG = 0.25;
    double backgroundT = 0.25;
    double aprioriEntropy = 2.0;  // bits
    std::vector<Hit> hits;        // sorted, with their gene context
    double globalScoreMean = 0.0; // under integration: the reverse pass's mean score per letter of its text
};
