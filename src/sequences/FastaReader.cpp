#include "sequences/FastaReader.h"

#include <algorithm>

#include "base/ErrorReport.h"
#include "base/FreshMemory.h"
#include "sequences/SequenceSet.h"

namespace {

// Room for a bacterial genome, so that appending its lines rarely reallocates.
constexpr std::uint64_t initialBasesCapacity = 4000000;
// A hint is only trusted this far; the letters still grow past it.
constexpr std::uint64_t mostHintedBases = std::uint64_t{1} << 30;

bool atHeader(TextLines& text)
{
    return text.startsWith(">");
}

} // namespace

void readFastaRecord(Sequence& sequence, TextLines& text)
{
    std::string_view header;
    text.next(header);
    readFastaRecord(sequence, std::string(header), text);
}

void readFastaRecord(Sequence& sequence, const std::string& header, TextLines& text, std::uint64_t capacityHint)
{
    // The first character is the '>' the caller found.
    sequence.name = header.size() > 1 ? header.substr(1, maximumNameLength) : std::string();
    sequence.locusName = sequence.name;
    sequence.id = sequence.name.substr(0, sequence.name.find_first_of(" \t\r"));

    std::string collected;
    reserveInLargePages(
        collected,
        static_cast<std::size_t>(capacityHint == 0 ? initialBasesCapacity : std::min(capacityHint, mostHintedBases)));
    // Looking at each line's first byte leaves the next header unread. A
    // genome written on one line comes in pieces; only a line's first piece
    // can start a header.
    std::string_view piece;
    bool lineStart = true;
    while (!(lineStart && atHeader(text)) && text.nextPiece(piece)) {
        appendUpperCase(collected, piece);
        lineStart = text.terminated();
    }

    trimBases(collected);
    sequence.bases = std::move(collected);
    if (sequence.bases.empty())
        reportError({"No sequence read. Please check FASTA file!"});
}
