#pragma once

#include <istream>

#include "sequences/Sequence.h"

// Fills one sequence from the first record of a GenBank flat file.
void readGenBankRecord(Sequence& sequence, std::istream& input);

// Every ',' of the gene texts becomes '.', so they cannot break a CSV line.
void cleanGeneTexts(Sequence& sequence);
