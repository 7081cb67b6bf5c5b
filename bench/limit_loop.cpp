// The speed limit of a window scan: for every window of both strands of every
// record, add one table entry per letter and compare the sum with a cut-off.
// Nothing else (no hit records, no logs), so a real scan can only be slower.
//
// Usage: limit_loop FASTA_FILE WINDOW_LENGTH
// Prints: bases, scan milliseconds, milliseconds per Mb, windows passing.
#include <cstdint>
#include <string>
#include <vector>

#include "bench/limit_harness.h"

namespace {

// One strand: one window per letter, each summed on its own, in column order.
std::uint64_t scanStrand(const std::string& text, std::size_t windows, const std::vector<double>& table,
                         std::size_t windowLength, double cutoff)
{
    const unsigned char* letters = reinterpret_cast<const unsigned char*>(text.data());
    std::uint64_t passing = 0;
    for (std::size_t offset = 0; offset < windows; ++offset) {
        double sum = 0.0;
        for (std::size_t column = 0; column < windowLength; ++column)
            sum += table[column * 256 + letters[offset + column]];
        if (sum > cutoff)
            ++passing;
    }
    return passing;
}

} // namespace

int main(int argc, char** argv)
{
    return limit::runLimitLoop(argc, argv, "limit_loop", scanStrand);
}
