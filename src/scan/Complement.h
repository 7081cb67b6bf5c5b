#pragma once

#include <cstddef>
#include <string>

#include "sequences/LetterComplement.h" // complementOf, of a single letter

class Hit;

// Writes the complements of `count` letters read backwards from `last` on
// (last, last - 1, ...): runs of plain bases in vector registers on the
// chosen path (scoring/VectorSets.h), a run holding any other byte by
// complementOf.
void reverseComplement(const char* last, std::size_t count, char* to);

// Appends a hit's letters as the scan scored them, 5'->3' on its strand: the
// sequence's letters from the hit's leftmost one on, round the origin where
// the window crosses it, reverse-complemented on the reverse strand.
void appendWindowLetters(std::string& out, const std::string& bases, const Hit& hit);
// The same letters as a string of their own.
std::string windowLetters(const std::string& bases, const Hit& hit);
