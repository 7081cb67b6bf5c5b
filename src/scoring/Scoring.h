#pragma once

#include <cstddef>
#include <cstdint>

class Sequence;
class SiteCollection;

// The terms of the eleven scoring methods. A window's score is 0.0 plus the
// term of each of its letters, in window order (see ScoreTable); a code
// outside 1..11 has only zero terms.

// What a letter's term needs besides the letter and its column: the model,
// the scanned sequence (a priori entropy, background) and the pseudocounts.
struct TermInputs {
    TermInputs(const SiteCollection& collection, const Sequence& sequence);

    // p = (f + 1/N) / (1 + 4/N): one pseudo-site spread over the four bases.
    double corrected(double frequency) const { return (frequency + inverseN) / denominator; }

    const SiteCollection& collection;
    const Sequence& sequence;
    double siteCount;   // N
    double inverseN;    // 1/N
    double denominator; // 1 + 4/N
};

// Column k's measure with `letter` added as one more site, which the
// differential methods score against: Rsequence for methods 4 and 11,
// relative entropy for method 8; 0 for every other method.
double updatedColumnMeasure(std::int32_t method, const TermInputs& inputs, std::size_t k, unsigned char letter);

// The term that `letter` at column k adds to a window's score with this
// method; the differential methods take the column's updated measure.
double letterTerm(std::int32_t method, const TermInputs& inputs, std::size_t k, unsigned char letter,
                  double updatedMeasure);

// Frequency of a letter in column k, IUPAC letters averaged, 0.25 for others.
double baseFrequency(const SiteCollection& collection, unsigned char letter, std::size_t k);
