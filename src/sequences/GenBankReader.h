#pragma once

#include <vector>

#include "base/TextLines.h"
#include "sequences/Sequence.h"

// Appends one sequence per record of a GenBank flat file, in file order. A
// record ends at its first line beginning with "//" (or before the next line
// beginning with "LOCUS", or at the end of the file); the lines after a "//"
// line up to the next "LOCUS" line are passed over. With `codingRecords`,
// each sequence also gets what the proteins of its CDS are made from
// (Sequence::coding).
void readGenBankFile(TextLines& text, std::vector<Sequence>& sequences, bool codingRecords = false);

// Every ',' of the gene texts becomes '.', so they cannot break a CSV line.
void cleanGeneTexts(Sequence& sequence);
