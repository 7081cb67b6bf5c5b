#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Sequence;
class SiteCollection;

// Every letter's term at every column for one method and one scanned
// sequence, computed once, so that a window is scored by L additions.
class ScoreTable {
public:
    static constexpr std::size_t rowLength = 256; // one term per byte value
    // Windows scored together by scoreBlock: independent sums in flight hide
    // the latency of each addition, and every letter is read once per column.
    static constexpr std::size_t blockLength = 8;

    ScoreTable(std::int32_t method, const Sequence& sequence, const SiteCollection& collection);

    std::uint32_t windowLength() const { return length; }
    // The term that byte `letter` adds at `column` (< windowLength()).
    double term(std::uint32_t column, unsigned char letter) const { return terms[column * rowLength + letter]; }

    // Score of the windowLength() letters starting at `letters`: 0.0 plus
    // each letter's term, in window order.
    double score(const char* letters) const
    {
        const double* row = terms.data();
        double sum = 0.0;
        for (std::uint32_t k = 0; k < length; ++k, row += rowLength)
            sum += row[static_cast<unsigned char>(letters[k])];
        return sum;
    }

    // Scores of the blockLength windows starting at letters, letters + 1, ...
    // (blockLength - 1 + windowLength() letters); each is summed on its own in
    // window order, so each is bit for bit what score() gives.
    void scoreBlock(const char* letters, double* scores) const
    {
        double sums[blockLength] = {};
        const double* row = terms.data();
        const auto* column = reinterpret_cast<const unsigned char*>(letters);
        for (std::uint32_t k = 0; k < length; ++k, row += rowLength, ++column)
            for (std::size_t j = 0; j < blockLength; ++j)
                sums[j] += row[column[j]];
        for (std::size_t j = 0; j < blockLength; ++j)
            scores[j] = sums[j];
    }

private:
    std::uint32_t length;
    std::vector<double> terms; // column-major: terms[k * rowLength + byte]
};
