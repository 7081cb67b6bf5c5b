#include "scoring/WindowScores.h"

#include <array>

#include "scoring/ExactKernel.h"

namespace {

// The letter of each two-bit code (letter >> 1) & 3.
constexpr char codeLetters[4] = {'A', 'C', 'T', 'G'};

std::vector<std::array<double, 4>> columnsOf(const ScoreTable& table)
{
    std::vector<std::array<double, 4>> columns(table.windowLength());
    for (std::uint32_t column = 0; column < table.windowLength(); ++column)
        for (std::size_t code = 0; code < 4; ++code)
            columns[column][code] = table.term(column, static_cast<unsigned char>(codeLetters[code]));
    return columns;
}

} // namespace

WindowScores::WindowScores(const ScoreTable& table)
    : table_(table), forHigher_(columnsOf(table), ScoreSense(false)), forLower_(columnsOf(table), ScoreSense(true))
{
    const std::size_t stride = columnStride();
    codeTerms_.resize(table.windowLength() * stride);
    for (std::uint32_t column = 0; column < table.windowLength(); ++column)
        for (std::size_t lane = 0; lane < stride; ++lane)
            codeTerms_[column * stride + lane] = table.term(column, static_cast<unsigned char>(codeLetters[lane % 4]));
}

void WindowScores::score(const char* letters, std::size_t count, double* scores) const
{
    scoreExactly(*this, letters, count, scores, nullptr, nullptr);
}

std::size_t WindowScores::scorePassing(const char* letters, std::size_t count, const CutoffTest& test, double* scores,
                                       std::uint32_t* indices) const
{
    return scorePassingRoughly(*this, test.sense.lowerIsBetter() ? forLower_ : forHigher_, letters, count, test, scores,
                               indices);
}

void scoreWithTable(const ScoreTable& table, const char* text, std::size_t count, double* scores)
{
    constexpr std::size_t blockLength = ScoreTable::blockLength;
    const std::size_t blocks = count / blockLength;
    for (std::size_t block = 0; block < blocks; ++block)
        table.scoreBlock(text + block * blockLength, scores + block * blockLength);
    for (std::size_t index = blocks * blockLength; index < count; ++index)
        scores[index] = table.score(text + index);
}

std::size_t passingFrom(std::size_t at, const double* scores, std::size_t count, const CutoffTest& test,
                        std::uint32_t* indices, std::size_t found)
{
    for (; at < count; ++at)
        if (test.passes(scores[at]))
            indices[found++] = static_cast<std::uint32_t>(at);
    return found;
}
