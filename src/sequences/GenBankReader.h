#pragma once

#include <vector>

#include "base/TextLines.h"
#include "sequences/Sequence.h"

// Appends one sequence per record of a GenBank flat file, in file order. A
// record ends at its first line beginning with "//" (or before the next line
// beginning with "LOCUS", or at the end of the file); the lines after a "//"
// line up to the next "LOCUS" line are passed over.
void readGenBankFile(TextLines& text, std::vector<Sequence>& sequences);

// Every ',' of the gene texts becomes '.', so they cannot break a CSV line.
void cleanGeneTexts(Sequence& sequence);
