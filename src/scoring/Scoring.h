#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Hit;
class Sequence;
class SiteCollection;

// Scores hit.window with method 1..11 against the collection and the scanned
// sequence's background, storing the result in hit.score; any other code
// scores 0. Methods 4, 8 and 11 overwrite the columns' scratch fields.
void scoreWindow(std::uint32_t method, Hit& hit, const Sequence& sequence, SiteCollection& collection);

// Frequency of a letter in column k, IUPAC letters averaged, 0.25 for others.
double baseFrequency(const SiteCollection& collection, unsigned char letter, std::size_t k);

void updateRsequenceWithWindow(SiteCollection& collection, const Sequence& sequence, const std::string& window);
void updateRelativeEntropyWithWindow(SiteCollection& collection, const Sequence& sequence,
                                     const std::string& window);
