// The strand scan of a Sequence: circular extension, window extraction,
// reverse complement and the capacity of the hit list.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "motif/SiteCollection.h"
#include "sequences/Sequence.h"

namespace {

// A very unspecific motif on a long sequence would ask for up to 4 hits per
// letter; the list still grows past this when the hits really come.
constexpr double maximumReservedHits = 1000000.0;

std::array<char, 256> makeComplementTable()
{
    std::array<char, 256> table{};
    for (int byte = 0; byte < 256; ++byte)
        table[byte] = static_cast<char>(byte); // unknown bytes keep their place unchanged
    const char* from = "ACGTBDHVKMRYSWNXU";
    const char* to = "TGCAVHDBMKYRSWXNA"; // U stands for T, so it pairs with A
    for (int i = 0; from[i] != '\0'; ++i)
        table[static_cast<unsigned char>(from[i])] = to[i];
    return table;
}

const std::array<char, 256> complementTable = makeComplementTable();

} // namespace

void Sequence::reserveHits(const SiteCollection& collection)
{
    // ln 2 and log10 2 are held in single precision on purpose: the estimate
    // is 4 * S / 2^RE up to that precision.
    const double ln2 = static_cast<double>(0.693147180559945309f);
    const double log10Of2 = static_cast<double>(0.301029995663981195f);
    const double length = static_cast<double>(bases.size());
    const double expected = 4.0 * std::exp(ln2 * (std::log10(length) / log10Of2 - collection.relativeEntropy));
    if (!(expected >= 1.0)) // also NaN
        return;
    const std::size_t wanted = static_cast<std::size_t>(std::min(expected, maximumReservedHits));
    if (hits.capacity() < wanted)
        hits.reserve(wanted);
}

void Sequence::extendForScan(bool useIntegration, std::uint32_t windowLength, std::int64_t windowCount)
{
    std::size_t extension = windowLength;
    if (useIntegration)
        extension += static_cast<std::size_t>((windowCount - 1) / 2);
    if (forward) {
        bases.append(bases, 0, extension);
        return;
    }
    // The first letters are the complement of those appended before the
    // forward pass: drop them, and the text is the plain reverse complement.
    bases.erase(0, extension);
    bases.append(bases, 0, extension);
    bases.shrink_to_fit();
}

void Sequence::nextWindow(std::uint32_t windowLength, std::string& window)
{
    // The window ending on the text's last letter is not taken, and nothing
    // is ever read past the text.
    if (windowCursor + windowLength < bases.size()) {
        window.assign(bases, windowCursor, windowLength);
        ++windowCursor;
        ++windowsTaken;
    } else {
        window.clear();
    }
}

std::uint32_t Sequence::windowPosition(std::uint32_t windowLength) const
{
    if (forward)
        return windowsTaken - 1;
    return static_cast<std::uint32_t>(bases.size()) - windowLength - windowsTaken + 1;
}

void Sequence::reverseComplement()
{
    std::string complement(bases.size(), '\0');
    auto out = complement.begin();
    for (auto letter = bases.rbegin(); letter != bases.rend(); ++letter)
        *out++ = complementTable[static_cast<unsigned char>(*letter)];
    bases.swap(complement);
    forward = !forward;
}

void Sequence::shrinkHits()
{
    hits.shrink_to_fit();
}
