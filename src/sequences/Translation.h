#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sequences/Sequence.h"

// A genetic code: NCBI's table of that number, its 64 codons each giving an
// amino acid ('*' for a stop) and, in a second line, marked as a start ('M')
// or as a codon that may end a protein ('*').
class GeneticCode {
public:
    // The table of that NCBI number (1 to 6, 9 to 16, 21 to 33), nullptr for
    // a number without one.
    static const GeneticCode* numbered(unsigned number);

    // The amino acid of the codon at `codon` (three letters, upper case, T or
    // U): 'X' where an ambiguity code leaves it open.
    char aminoAcid(const char* codon) const;
    bool isStart(const char* codon) const;
    // Whether the codon ends a protein where it is the last one.
    bool isStop(const char* codon) const;

    unsigned number;
    const char* aminoAcids;
    const char* starts;

private:
    // The letter that `line` gives every codon the three letters may stand
    // for; '\0' where they differ or a letter is no nucleotide code.
    char commonLetter(const char* line, const char* codon) const;
};

// The protein of the CDS of a sequence at `geneIndex`, from the record the
// reader kept for it (Sequence::coding): its /translation where it has one,
// else its letters translated with its genetic code from its codon_start,
// the first codon read as Met where it is a start (not at a partial 5' end)
// and the last dropped where it is a stop. Empty where the CDS gives no
// protein: marked pseudo, a stop inside the protein, a location not
// understood or beyond the sequence, or a table of no known number.
std::string proteinOf(const Sequence& sequence, std::size_t geneIndex);

// The protein of coding letters, 5'->3', translated codon by codon from
// the first, a last incomplete codon left out. `wholeStart`: the first codon
// is the CDS's own start, Met where the code makes it a start codon. A last
// codon that may end a protein is dropped; a stop before it stays as '*'.
std::string translateCds(std::string_view letters, const GeneticCode& code, bool wholeStart);
