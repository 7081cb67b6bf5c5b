#pragma once

#include <array>

#include "sequences/Sequence.h"

// Weighted base counts: IUPAC ambiguity letters count as fractions of the
// bases they stand for; any other byte counts for nothing.
struct BaseCounts {
    double countA = 0.0, countC = 0.0, countG = 0.0, countT = 0.0;

    // Adds the weights of one upper-case letter.
    void add(unsigned char letter);
};

// Sets the four background probabilities and the a priori entropy of the
// sequence from its own base composition (both strands).
void computeBackground(Sequence& sequence);
// Sets them to the probabilities of A, C, G and T given, and the a priori
// entropy from those.
void setBackground(Sequence& sequence, const std::array<double, 4>& probabilities);

// The sequence's background probability of A, C, G or T; 0.25 for any other byte.
double backgroundProbability(const Sequence& sequence, unsigned char letter);
