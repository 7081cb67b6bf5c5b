#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "sequences/Sequence.h"

// All sequences of the sequence file, in file order, and the stem from which
// every output file name is formed.
class SequenceSet {
public:
    // Reads the whole file, FASTA, GenBank, EMBL or GFF3 by its extension; an input error
    // goes through reportError. With `codingRecords`, each sequence also gets
    // what the proteins of its CDS are made from (Sequence::coding).
    explicit SequenceSet(const std::string& fileName, bool codingRecords = false);
    // A set built in memory, its sequences added by the caller; no stem, so
    // no file is named after it.
    SequenceSet() = default;

    void readFastaFile(const std::string& fileName);
    void readGenBankFile(const std::string& fileName, bool codingRecords = false);
    void readEmblFile(const std::string& fileName, bool codingRecords = false);
    // A GFF3 file with its sequences after "##FASTA".
    void readGff3WithSequences(const std::string& fileName, bool codingRecords = false);

    std::vector<Sequence> sequences;
    std::string stem;
};

// `letter` upper-cased when it is a to z, else as it is, whatever the locale;
// without a branch, so that a loop over many letters is vectorised.
inline char upperCase(char letter)
{
    const auto byte = static_cast<unsigned char>(letter);
    return static_cast<char>(byte - (static_cast<unsigned char>(byte - 'a') < 26) * ('a' - 'A'));
}

// Appends `letters` to `text` with a to z upper-cased; every other byte is
// kept as it is, whatever the locale.
void appendUpperCase(std::string& text, std::string_view letters);

// Whether more than a tenth of `bases` (upper case) are not nucleotide codes:
// A, C, G, T, U or an ambiguity code. Such a text is likely a protein. Beyond
// 65,536 letters, an even sample of that many is judged.
bool mostlyNotNucleotides(const std::string& bases);

// Gives a sequence's letters back their spare room when it is large; a
// little is not worth moving a genome-sized text for.
void trimBases(std::string& bases);
