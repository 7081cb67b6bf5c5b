#include "sequences/FastaReader.h"

#include <algorithm>

#include "base/ErrorReport.h"
#include "base/TextLines.h"
#include "sequences/SequenceSet.h"

namespace {

constexpr std::string::size_type maximumNameLength = 1024;
// Room for a bacterial genome, so that appending its lines rarely reallocates.
constexpr std::uint64_t initialBasesCapacity = 4000000;
// A hint is only trusted this far; the letters still grow past it.
constexpr std::uint64_t maximumBasesHint = std::uint64_t{1} << 30;

bool atHeader(std::istream& input)
{
    return input.peek() == '>';
}

} // namespace

void readFastaRecord(Sequence& sequence, std::istream& input)
{
    std::string header;
    readTextLine(input, header);
    readFastaRecord(sequence, header, input);
}

void readFastaRecord(Sequence& sequence, const std::string& header, std::istream& input, std::uint64_t capacityHint)
{
    // The first character is the '>' the caller found.
    sequence.name = header.size() > 1 ? header.substr(1, maximumNameLength) : std::string();
    sequence.locusName = sequence.name;
    sequence.id = sequence.name.substr(0, sequence.name.find_first_of(" \t\r"));

    std::string collected;
    collected.reserve(
        static_cast<std::size_t>(capacityHint == 0 ? initialBasesCapacity : std::min(capacityHint, maximumBasesHint)));
    // Peeking at each line's first byte leaves the next header unread.
    std::string line;
    while (!atHeader(input) && readTextLine(input, line))
        appendUpperCase(collected, line);

    trimBases(collected);
    sequence.bases = std::move(collected);
    if (sequence.bases.empty())
        reportError({"No sequence read. Please check FASTA file!"});
}
