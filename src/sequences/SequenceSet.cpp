#include "sequences/SequenceSet.h"

#include <cstddef>
#include <string_view>

#include "base/ErrorReport.h"
#include "base/FileNames.h"
#include "base/InputFile.h"
#include "base/TextLines.h"
#include "sequences/EmblReader.h"
#include "sequences/FastaReader.h"
#include "sequences/GenBankReader.h"
#include "sequences/Gff3Reader.h"

bool mostlyNotNucleotides(const std::string& bases)
{
    // A long sequence is judged on letters spread evenly over it: a protein
    // shows in any sample, and a genome is not read once more for a warning.
    constexpr std::size_t mostLooked = std::size_t{1} << 16;
    const std::size_t step = bases.size() > mostLooked ? bases.size() / mostLooked : 1;
    std::size_t looked = 0, others = 0;
    for (std::size_t i = 0; i < bases.size(); i += step, ++looked)
        others += std::string_view("ACGTURYSWKMBDHVN").find(bases[i]) == std::string_view::npos;
    return others > looked / 10;
}

void appendUpperCase(std::string& text, std::string_view letters)
{
    const std::size_t from = text.size();
    text += letters;
    char* letter = text.data() + from;
    for (std::size_t i = 0; i < letters.size(); ++i)
        letter[i] = upperCase(letter[i]);
}

void trimBases(std::string& bases)
{
    if (bases.capacity() - bases.size() > bases.size() / 8)
        bases.shrink_to_fit();
}

SequenceSet::SequenceSet(const std::string& fileName, bool codingRecords)
{
    if (isFastaName(fileName))
        readFastaFile(fileName);
    else if (isGenBankName(fileName))
        readGenBankFile(fileName, codingRecords);
    else if (isEmblName(fileName))
        readEmblFile(fileName, codingRecords);
    else if (isGff3Name(fileName))
        readGff3WithSequences(fileName, codingRecords);
    else
        reportError({"Incorrect sequence file extension.", "Type Varno /? for help."});
    // A record without a name still needs an ID in a track: its number.
    for (std::size_t i = 0; i < sequences.size(); ++i)
        if (sequences[i].id.empty())
            sequences[i].id = "sequence_" + std::to_string(i + 1);
}

void SequenceSet::readGenBankFile(const std::string& fileName, bool codingRecords)
{
    stem = stemOf(fileName);
    InputFile file(fileName);
    TextLines text(file.stream());
    ::readGenBankFile(text, sequences, codingRecords);
}

void SequenceSet::readEmblFile(const std::string& fileName, bool codingRecords)
{
    stem = stemOf(fileName);
    InputFile file(fileName);
    TextLines text(file.stream());
    ::readEmblFile(text, sequences, codingRecords);
}

void SequenceSet::readGff3WithSequences(const std::string& fileName, bool codingRecords)
{
    stem = stemOf(fileName);
    readGff3File(fileName, sequences, codingRecords);
}

void SequenceSet::readFastaFile(const std::string& fileName)
{
    stem = stemOf(fileName);
    InputFile file(fileName);
    TextLines text(file.stream());

    std::string_view header;
    bool found = false;
    while (!found && text.next(header))
        found = !header.empty() && header.front() == '>';
    // A header without a terminator at the end of the file cannot open a record.
    if (!found || !text.terminated())
        reportError({"Incorrect FASTA file: " + fileName});

    Sequence first;
    first.sourceFormat = 'F';
    // The file's size, where known, bounds its first record's letters.
    readFastaRecord(first, std::string(header), text, file.sizeHint());
    sequences.push_back(std::move(first));
    while (!text.atEnd()) {
        Sequence sequence;
        sequence.sourceFormat = 'F';
        readFastaRecord(sequence, text);
        sequences.push_back(std::move(sequence));
    }
}
