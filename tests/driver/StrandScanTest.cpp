#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sequences/Sequence.h"

namespace {

struct TakenWindow {
    std::string letters;
    std::uint32_t position;
    bool operator==(const TakenWindow& other) const
    {
        return letters == other.letters && position == other.position;
    }
};

std::ostream& operator<<(std::ostream& out, const TakenWindow& window)
{
    return out << window.letters << "@" << window.position;
}

// Runs one pass without integration the way the analysis run does.
std::vector<TakenWindow> scanPass(Sequence& sequence, std::uint32_t windowLength)
{
    sequence.extendForScan(false, windowLength, 0);
    sequence.windowsTaken = 0;
    sequence.windowCursor = 0;
    std::vector<TakenWindow> taken;
    std::string window;
    for (;;) {
        sequence.nextWindow(windowLength, window);
        if (window.empty())
            break;
        taken.push_back({window, sequence.windowPosition(windowLength)});
    }
    return taken;
}

Sequence sequenceOf(const std::string& bases)
{
    Sequence sequence;
    sequence.bases = bases;
    return sequence;
}

} // namespace

TEST(StrandScan, ShortSequenceGivesEveryCircularWindowOnBothStrands)
{
    Sequence sequence = sequenceOf("ACGTT");
    const std::vector<TakenWindow> forward = scanPass(sequence, 2);
    EXPECT_EQ(forward, (std::vector<TakenWindow>{{"AC", 0}, {"CG", 1}, {"GT", 2}, {"TT", 3}, {"TA", 4}}));

    sequence.reverseComplement();
    EXPECT_FALSE(sequence.forward);
    const std::vector<TakenWindow> reverse = scanPass(sequence, 2);
    EXPECT_EQ(sequence.bases, "AACGTAA");
    EXPECT_EQ(reverse, (std::vector<TakenWindow>{{"AA", 5}, {"AC", 4}, {"CG", 3}, {"GT", 2}, {"TA", 1}}));
}

TEST(StrandScan, EachPassTakesExactlyOneWindowPerLetter)
{
    Sequence sequence = sequenceOf("ACGTACGTAC");
    const std::vector<TakenWindow> forward = scanPass(sequence, 4);
    ASSERT_EQ(forward.size(), 10u);
    EXPECT_EQ(forward.back().letters, "CACG"); // letters 9, 0, 1, 2: across the origin
    EXPECT_EQ(forward.back().position, 9u);

    sequence.reverseComplement();
    const std::vector<TakenWindow> reverse = scanPass(sequence, 4);
    ASSERT_EQ(reverse.size(), 10u);
    EXPECT_EQ(reverse.front().position, 10u);
    EXPECT_EQ(reverse.back().position, 1u);
}

TEST(StrandScan, PalindromeIsReportedOneWindowLengthApartOnTheTwoStrands)
{
    // GAATTC is its own reverse complement; it starts at index 3.
    Sequence sequence = sequenceOf("TTTGAATTCTTTT");
    std::vector<std::uint32_t> forwardHits;
    for (const TakenWindow& window : scanPass(sequence, 6))
        if (window.letters == "GAATTC")
            forwardHits.push_back(window.position);
    sequence.reverseComplement();
    std::vector<std::uint32_t> reverseHits;
    for (const TakenWindow& window : scanPass(sequence, 6))
        if (window.letters == "GAATTC")
            reverseHits.push_back(window.position);
    EXPECT_EQ(forwardHits, std::vector<std::uint32_t>{3});
    EXPECT_EQ(reverseHits, std::vector<std::uint32_t>{9});
}

TEST(StrandScan, ReverseComplementFollowsTheIupacTable)
{
    Sequence sequence = sequenceOf("ACGTBDHVKMRYSWNX");
    sequence.reverseComplement();
    EXPECT_EQ(sequence.bases, "NXWSRYKMBDHVACGT");
    sequence.reverseComplement();
    EXPECT_EQ(sequence.bases, "ACGTBDHVKMRYSWNX");
    EXPECT_TRUE(sequence.forward);
}

TEST(StrandScan, UnknownBytesKeepTheirPlaceAndUPairsWithA)
{
    Sequence sequence = sequenceOf("AU-7 E");
    sequence.reverseComplement();
    EXPECT_EQ(sequence.bases, "E 7-AT");
}

TEST(StrandScan, GapsAndUDoNotShiftReversePositions)
{
    // Every window of the given strand must come back on the reverse strand,
    // complemented, at its own position + window length.
    const std::string bases = "ACU-GTTNAC9G";
    Sequence sequence = sequenceOf(bases);
    const std::vector<TakenWindow> forward = scanPass(sequence, 3);
    sequence.reverseComplement();
    const std::vector<TakenWindow> reverse = scanPass(sequence, 3);
    ASSERT_EQ(forward.size(), bases.size());
    ASSERT_EQ(reverse.size(), bases.size());
    Sequence check;
    for (const TakenWindow& window : reverse) {
        check.bases = window.letters;
        check.forward = false;
        check.reverseComplement();
        const std::uint32_t start = (window.position + bases.size() - 3) % bases.size();
        std::string expected;
        for (std::size_t i = 0; i < 3; ++i) {
            char letter = bases[(start + i) % bases.size()];
            expected += letter == 'U' ? 'T' : letter; // U comes back as T after two complements
        }
        EXPECT_EQ(check.bases, expected) << "reverse window at " << window.position;
    }
}

TEST(StrandScan, NeverReadsPastAShortText)
{
    Sequence sequence = sequenceOf("AC");
    sequence.windowCursor = 0;
    std::string window = "XXXX";
    sequence.nextWindow(4, window);
    EXPECT_TRUE(window.empty());
    EXPECT_EQ(sequence.windowsTaken, 0u);
}

TEST(StrandScan, IntegrationExtendsByTheCentreOffsetToo)
{
    Sequence sequence = sequenceOf(std::string(600, 'A') + std::string(600, 'C'));
    sequence.extendForScan(true, 20, 1001);
    EXPECT_EQ(sequence.bases.size(), 1200u + 20u + 500u);
    sequence.reverseComplement();
    sequence.extendForScan(true, 20, 1001);
    EXPECT_EQ(sequence.bases.size(), 1200u + 20u + 500u);
    EXPECT_EQ(sequence.bases.substr(0, 600), std::string(600, 'G'));
    EXPECT_EQ(sequence.bases.substr(1200), std::string(520, 'G'));
}
