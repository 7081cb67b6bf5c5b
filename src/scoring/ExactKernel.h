#pragma once

#include <cstddef>
#include <cstdint>

class ScoreTable;
class WindowScores;
struct CutoffTest;

// scores[j] = table.score(text + j) for the `count` windows from `text` on,
// bit for bit, on the chosen path; with a test, also writes the index j of
// each window that passes, in order, and returns how many there are.
std::size_t scoreExactly(const WindowScores& scorer, const char* text, std::size_t count, double* scores,
                         const CutoffTest* test, std::uint32_t* indices);

// The scalar path: windows in blocks of the table's own. Kept out of line:
// it serves every instruction set, and only the rare window needs it there.
// This and passingFrom are defined in WindowScores.cpp, away from the
// kernels: beside them, GCC called them without first clearing the wide
// registers' upper halves (vzeroupper), which left the plain code run after
// an AVX kernel, such as the integration's ring, twice as slow.
[[gnu::noinline]] void scoreWithTable(const ScoreTable& table, const char* text, std::size_t count, double* scores);

// Appends the index of each score from the `at`th to the `count`th that
// passes the test to the `found` indices so far; returns how many there are.
std::size_t passingFrom(std::size_t at, const double* scores, std::size_t count, const CutoffTest& test,
                        std::uint32_t* indices, std::size_t found);
