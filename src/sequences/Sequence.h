#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "results/Hit.h"
#include "results/HitFilter.h"
#include "sequences/Gene.h"

class IntegrationWindows;
class Options;
class ScanHits;
class ScoreTable;
class SiteCollection;

// One input sequence with its background, its scan state and its hits.
class Sequence {
public:
    char sourceFormat = 'F';     // 'F' from FASTA, 'G' from GenBank
    std::string locusName;       // GenBank LOCUS name; FASTA header text
    std::string name;            // printed name: DEFINITION text or FASTA header text
    std::vector<Gene> genes;     // CDS features in file order (GenBank only)
    std::string bases;           // upper case, nothing filtered; the scan extends and reverse-complements it
    std::uint32_t windowsTaken = 0;
    bool forward = true;         // false once bases holds the reverse complement
    double backgroundA = 0.25;
    double backgroundC = 0.25;
    double backgroundG = 0.25;
    double backgroundT = 0.25;
    double aprioriEntropy = 2.0; // bits
    std::size_t windowCursor = 0; // index in bases of the next window's first letter
    std::vector<Hit> hits;
    StrandPairIndex hitIndex;     // finds a candidate's twin among hits; clear it when hits are rewritten
    std::size_t hitCursor = 0;
    double globalScoreMean = 0.0;

    std::string getName() const { return name; }

    // Strand scan of a circular sequence.
    void reserveHits(const SiteCollection& collection);
    // The hits reserveHits makes room for: 4 S / 2^RE, at most 1,000,000.
    std::size_t expectedHitCount(const SiteCollection& collection) const;
    void extendForScan(bool useIntegration, std::uint32_t windowLength, std::int64_t windowCount);
    // The next window into `window` (empty when the pass is over).
    void nextWindow(std::uint32_t windowLength, std::string& window);
    // Coordinate of the window just taken: forward strand, the index of its
    // first letter; reverse strand, its leftmost letter on the given strand
    // plus windowLength (so a palindrome sits windowLength apart on the two strands).
    std::uint32_t windowPosition(std::uint32_t windowLength) const;
    void reverseComplement();
    void shrinkHits();
    // One pass over the current strand as the run makes it: extends the text,
    // scores every window with the table and hands each one that passes the
    // cut-off to considerHit (under integration the buffered centre window
    // instead, with its means), then reverse-complements a forward text.
    // `working` carries the reported windows; it is reset first.
    void scanStrand(const ScoreTable& table, const Options& options, IntegrationWindows& windows, Hit& working);
    // Both passes, from the forward strand, as two scanStrand calls make them,
    // except that the windows considerHit would store go to `found`;
    // inParallel scores the reverse strand on a second thread.
    void scanBothStrands(const ScoreTable& table, const Options& options, IntegrationWindows& windows,
                         ScanHits& found, bool inParallel);
};
