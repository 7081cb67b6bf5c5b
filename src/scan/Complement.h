#pragma once

#include <cstddef>

// The complement of a letter: IUPAC codes pair up, N with X, U with A; any
// other byte is its own.
char complementOf(char letter);

// Writes the complements of `count` letters read backwards from `last` on
// (last, last - 1, ...): runs of plain bases in vector registers on the
// chosen path (scoring/VectorSets.h), a run holding any other byte by
// complementOf.
void reverseComplement(const char* last, std::size_t count, char* to);
