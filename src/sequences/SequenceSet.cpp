#include "sequences/SequenceSet.h"

#include <cstddef>
#include <istream>

#include "base/ErrorReport.h"
#include "base/FileNames.h"
#include "base/InputFile.h"
#include "base/TextLines.h"
#include "sequences/FastaReader.h"
#include "sequences/GenBankReader.h"

namespace {

// Bytes read from a sequence file at a time: a genome is read in large blocks.
constexpr std::size_t readBufferSize = std::size_t{1} << 20;

} // namespace

void appendUpperCase(std::string& text, const std::string& letters)
{
    const std::string::size_type from = text.size();
    text += letters;
    for (std::string::size_type i = from; i < text.size(); ++i)
        if (text[i] >= 'a' && text[i] <= 'z')
            text[i] = static_cast<char>(text[i] - 'a' + 'A');
}

void trimBases(std::string& bases)
{
    if (bases.capacity() - bases.size() > bases.size() / 8)
        bases.shrink_to_fit();
}

SequenceSet::SequenceSet(const std::string& fileName)
{
    if (isFastaName(fileName))
        readFastaFile(fileName);
    else if (isGenBankName(fileName))
        readGenBankFile(fileName);
    else
        reportError({"Incorrect sequence file extension.", "Type Varno /? for help."});
    // A record without a name still needs an ID in a track: its number.
    for (std::size_t i = 0; i < sequences.size(); ++i)
        if (sequences[i].id.empty())
            sequences[i].id = "sequence_" + std::to_string(i + 1);
}

void SequenceSet::readGenBankFile(const std::string& fileName)
{
    stem = stemOf(fileName);
    InputFile file(fileName, readBufferSize);
    ::readGenBankFile(file.stream(), sequences);
}

void SequenceSet::readFastaFile(const std::string& fileName)
{
    stem = stemOf(fileName);
    InputFile file(fileName, readBufferSize);
    std::istream& input = file.stream();

    std::string header;
    bool found = false;
    while (!found && readTextLine(input, header))
        found = !header.empty() && header.front() == '>';
    // A header without a terminator at the end of the file cannot open a record.
    if (!found || input.eof())
        reportError({"Incorrect FASTA file: " + fileName});

    Sequence first;
    first.sourceFormat = 'F';
    // The file's size, where known, bounds its first record's letters.
    readFastaRecord(first, header, input, file.sizeHint());
    sequences.push_back(std::move(first));
    while (input.peek() != std::char_traits<char>::eof()) {
        Sequence sequence;
        sequence.sourceFormat = 'F';
        readFastaRecord(sequence, input);
        sequences.push_back(std::move(sequence));
    }
}
