#pragma once

#include <istream>
#include <vector>

#include "sequences/Sequence.h"

// Appends one sequence per record of a GenBank flat file, in file order. A
// record ends at its first line beginning with "//" (or before the next line
// beginning with "LOCUS", or at the end of the file); the lines after a "//"
// line up to the next "LOCUS" line are passed over.
void readGenBankFile(std::istream& input, std::vector<Sequence>& sequences);

// Fills one sequence from a GenBank record, read to the end of the stream or
// its first "//" token.
void readGenBankRecord(Sequence& sequence, std::istream& input);

// Every ',' of the gene texts becomes '.', so they cannot break a CSV line.
void cleanGeneTexts(Sequence& sequence);
