#pragma once

#include <istream>

#include "sequences/Sequence.h"

// Fills one sequence from the FASTA record whose header line the stream is
// at; leaves the stream at the next header or at end of file.
void readFastaRecord(Sequence& sequence, std::istream& input);
