#pragma once

#include "sequences/Sequence.h"

// Sets the four background probabilities and the a priori entropy of the
// sequence from its own base composition (both strands).
void computeBackground(Sequence& sequence);

// The sequence's background probability of A, C, G or T; 0.25 for any other byte.
double backgroundProbability(const Sequence& sequence, unsigned char letter);
