#include "scan/Complement.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "scoring/VectorSets.h"

TEST(Complement, FollowsTheIupacTableAndKeepsOtherBytes)
{
    std::string complemented;
    for (const char letter : std::string("ACGTBDHVKMRYSWNXU-7 e"))
        complemented += complementOf(letter);
    EXPECT_EQ(complemented, "TGCAVHDBMKYRSWXNA-7 e");
}

// Runs of plain bases in vector registers, whole vectors and their tails, and
// runs with another letter anywhere in a vector, on every path.
TEST(Complement, ReversesRunsAsTheTableDoesOnEveryPath)
{
    const std::string chosen = scoringPath();
    std::mt19937 random(5);
    std::uniform_int_distribution<int> base(0, 3);
    std::string bases(3000, 'A');
    for (char& letter : bases)
        letter = "ACGT"[base(random)];
    for (const std::string& path : scoringPaths()) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(chooseScoringPath(path));
        for (const std::size_t at : {std::string::npos, std::size_t{0}, std::size_t{17}, std::size_t{40}})
            for (const std::size_t count : {0, 1, 31, 32, 65, 2999}) {
                std::string text = bases.substr(0, count + 1);
                if (at != std::string::npos && at < count)
                    text[at + 1] = 'N'; // one of the letters read, text[1 .. count]
                std::string reversed(count, ' ');
                reverseComplement(&text[count], count, &reversed[0]);
                for (std::size_t i = 0; i < count; ++i)
                    ASSERT_EQ(reversed[i], complementOf(text[count - i])) << count << " " << i;
            }
    }
    chooseScoringPath(chosen);
}
