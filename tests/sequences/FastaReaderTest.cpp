#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base/ErrorReport.h"
#include "sequences/FastaReader.h"
#include "support/TestSupport.h"

using testing_support::ScopedWorkingFolder;
using testing_support::TempDir;

namespace {

Sequence readOne(TextLines& text)
{
    Sequence sequence;
    readFastaRecord(sequence, text);
    return sequence;
}

Sequence readOne(const std::string& text)
{
    std::istringstream input(text);
    TextLines lines(input);
    return readOne(lines);
}

} // namespace

TEST(FastaReader, JoinsSequenceLinesWithoutSeparators)
{
    const std::string line1(60, 'A');
    const std::string line2(60, 'C');
    const std::string line3(60, 'G');
    const Sequence sequence = readOne(">three lines\n" + line1 + "\n" + line2 + "\n" + line3 + "\n");
    EXPECT_EQ(sequence.bases, line1 + line2 + line3);
    EXPECT_EQ(sequence.name, "three lines");
    EXPECT_EQ(sequence.locusName, "three lines");
    EXPECT_EQ(sequence.bases.capacity(), sequence.bases.size());
    EXPECT_TRUE(sequence.genes.empty());
}

TEST(FastaReader, UpperCasesLettersAndFiltersNothing)
{
    const Sequence sequence = readOne(">s\nacgtn\nAcGt-0 9*\n\nryk\xe9z\n");
    EXPECT_EQ(sequence.bases, "ACGTNACGT-0 9*RYK\xe9Z");
}

TEST(FastaReader, CutsTheNameAfter1024Characters)
{
    std::string header = ">";
    for (int i = 0; i < 2000; ++i)
        header += static_cast<char>('a' + i % 26);
    const Sequence sequence = readOne(header + "\nACGT\n");
    EXPECT_EQ(sequence.name, header.substr(1, 1024));
    EXPECT_EQ(readOne(">\nACGT\n").name, "");
}

TEST(FastaReader, StopsAtTheNextHeader)
{
    std::istringstream input(">first\nAC\nGT\n>second\nTT\n");
    TextLines text(input);
    const Sequence first = readOne(text);
    EXPECT_EQ(first.bases, "ACGT");
    EXPECT_TRUE(text.startsWith(">"));
    const Sequence second = readOne(text);
    EXPECT_EQ(second.name, "second");
    EXPECT_EQ(second.bases, "TT");
    EXPECT_TRUE(text.atEnd());
}

TEST(FastaReader, KeepsALastLineWithoutTerminator)
{
    EXPECT_EQ(readOne(">s\nACGT\nTTA").bases, "ACGTTTA");
}

TEST(FastaReader, ReadsWindowsLineEndsLikeLineFeeds)
{
    const Sequence crlf = readOne(">name \r\nACGT\r\nacgt\r\n");
    EXPECT_EQ(crlf.name, "name ");
    EXPECT_EQ(crlf.bases, "ACGTACGT");
    // A carriage return not followed by a line feed is ordinary text.
    EXPECT_EQ(readOne(">s\nAC\rGT\nTT\r").bases, "AC\rGTTT\r");
}

TEST(FastaReader, ReadsTheSameWhereverABlockEnds)
{
    // A line longer than the block comes in pieces: a carriage return at the
    // end of one, or a '>' at the start of one, must read as inside a line.
    const std::string line = "acgtacgtac>gtacgtacgt\racgtacgtac";
    const std::string letters = "ACGTACGTAC>GTACGTACGT\rACGTACGTAC";
    for (std::size_t blockSize = 1; blockSize <= 40; ++blockSize) {
        std::istringstream input(">one\r\n" + line + "\r\n" + line + "\n\r\n>two\nTT\n\r");
        TextLines text(input, blockSize);
        const Sequence one = readOne(text);
        EXPECT_EQ(one.name, "one");
        EXPECT_EQ(one.bases, letters + letters) << blockSize;
        EXPECT_EQ(readOne(text).bases, "TT\r") << blockSize;
        EXPECT_TRUE(text.atEnd());
    }
}

TEST(FastaReader, EndsTheRunOnARecordWithoutLetters)
{
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    for (const std::string text : {">empty\n>next\nACGT\n", ">blank lines only\n\n\r\n", ">last\n"}) {
        testing::internal::CaptureStdout();
        EXPECT_THROW(readOne(text), FatalError) << text;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "No sequence read. Please check FASTA file!\n");
        EXPECT_EQ(testing_support::readFile(folder.file("VarnoLog.txt")),
                  "No sequence read. Please check FASTA file!\n");
    }
}

TEST(FastaReader, EndsTheRunWhenTheFileFailsToReadMidway)
{
    // A file buffer throws when the system's read fails.
    struct FailingBuffer : std::streambuf {
        int_type underflow() override { throw std::ios_base::failure("read error"); }
    } failing;
    std::istream input(&failing);
    TextLines lines(input);
    const TempDir folder;
    const ScopedWorkingFolder inFolder(folder.path());
    testing::internal::CaptureStdout();
    EXPECT_THROW(readOne(lines), FatalError);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Read error: the input file could not be read to its end.\n");
}
