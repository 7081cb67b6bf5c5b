#pragma once

#include <cstdint>
#include <istream>
#include <string>

#include "sequences/Sequence.h"

// Fills one sequence from the FASTA record whose header line the stream is
// at; leaves the stream at the next header or at end of file.
void readFastaRecord(Sequence& sequence, std::istream& input);

// The same, for a record whose header line (with its '>') was already taken
// from the stream. `capacityHint`, when not 0, is room for the letters to
// start with (the file's size for its first record), so that a genome is not
// moved while it is read.
void readFastaRecord(Sequence& sequence, const std::string& header, std::istream& input,
                     std::uint64_t capacityHint = 0);
