#pragma once

#include <cstdint>
#include <string>

#include "base/TextLines.h"
#include "sequences/Sequence.h"

// Fills one sequence from the FASTA record whose header line the text is at;
// leaves the text at the next header or at its end.
void readFastaRecord(Sequence& sequence, TextLines& text);

// The same, for a record whose header line (with its '>') was already taken
// from the text. `capacityHint`, when not 0, is room for the letters to
// start with (the file's size for its first record), so that a genome is not
// moved while it is read.
void readFastaRecord(Sequence& sequence, const std::string& header, TextLines& text, std::uint64_t capacityHint = 0);
