#include "sequences/SequenceSet.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "base/ErrorReport.h"
#include "base/FileNames.h"
#include "base/TextLines.h"
#include "sequences/FastaReader.h"
#include "sequences/GenBankReader.h"

namespace {

// Bytes the stream reads from a sequence file at a time.
constexpr std::size_t readBufferSize = std::size_t{1} << 20;

// A directory opens like an empty file but fails on the first read, so it is
// told apart by peeking. `buffer` becomes the stream's read buffer and must
// outlive it: a genome file is read in large blocks.
void openSequenceFile(std::ifstream& input, std::vector<char>& buffer, const std::string& fileName)
{
    buffer.resize(readBufferSize);
    input.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    input.open(fileName, std::ios::in);
    if (input.is_open())
        input.peek();
    if (!input.is_open() || input.bad())
        reportError({"Incorrect file name: " + fileName});
}

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
    const std::string extension = extensionOf(fileName);
    if (extension == "FAS" || extension == "FNA" || extension == "fas" || extension == "fna")
        readFastaFile(fileName);
    else if (extension == "GBK" || extension == "GB" || extension == "gbk" || extension == "gb")
        readGenBankFile(fileName);
    else
        reportError({"Incorrect sequence file extension.", "Type Varno /? for help."});
}

void SequenceSet::readGenBankFile(const std::string& fileName)
{
    stem = stemOf(fileName);
    std::vector<char> buffer;
    std::ifstream input;
    openSequenceFile(input, buffer, fileName);

    Sequence sequence;
    sequence.sourceFormat = 'G';
    readGenBankRecord(sequence, input);
    sequences.push_back(std::move(sequence));
}

void SequenceSet::readFastaFile(const std::string& fileName)
{
    stem = stemOf(fileName);
    std::vector<char> buffer;
    std::ifstream input;
    openSequenceFile(input, buffer, fileName);

    std::string header;
    bool found = false;
    while (!found && readTextLine(input, header))
        found = !header.empty() && header.front() == '>';
    // A header without a terminator at the end of the file cannot open a record.
    if (!found || input.eof())
        reportError({"Incorrect FASTA file: " + fileName});

    Sequence first;
    first.sourceFormat = 'F';
    // The file's size bounds its first record's letters.
    std::error_code unknownSize;
    const std::uintmax_t fileSize = std::filesystem::file_size(fileName, unknownSize);
    readFastaRecord(first, header, input, unknownSize ? 0 : fileSize);
    sequences.push_back(std::move(first));
    while (input.peek() != std::char_traits<char>::eof()) {
        Sequence sequence;
        sequence.sourceFormat = 'F';
        readFastaRecord(sequence, input);
        sequences.push_back(std::move(sequence));
    }
}
