#include "scoring/RoughPrefilter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

// A window's rough sum as a kernel's lane holds it, from the prefilter's terms.
std::int16_t laneOf(const RoughPrefilter& prefilter, const std::vector<int>& codes)
{
    auto lane = RoughPrefilter::startingSum;
    for (std::size_t column = 0; column < codes.size(); ++column) {
        const std::uint8_t* bytes = prefilter.terms() + column * RoughPrefilter::stride() + 2 * codes[column];
        lane = static_cast<std::uint16_t>(lane + (bytes[0] | bytes[1] << 8));
    }
    return static_cast<std::int16_t>(lane);
}

} // namespace

// Every window whose score passes a cut-off set one step below (or, better
// lower, above) that score must come near it in rough sums, in both senses.
// Terms of three kinds each make one part of the bound matter: whole numbers
// make scores exact, so a rough sum often equals the least that can pass (the
// offset of the signed lanes); real terms are rounded up (the one-way
// rounding); large terms of tiny ranges have scores whose own roundings span
// many rough units (the floating-point reach).
TEST(RoughPrefilter, EveryPassingWindowComesNear)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> code(0, 3), whole(-3, 3);
    std::uniform_real_distribution<double> real(-5.0, 5.0), tiny(0.0, 1e-6);
    const double inf = std::numeric_limits<double>::infinity();
    for (const char* kind : {"whole", "real", "large"}) {
        int checked = 0;
        for (const std::size_t length : {1, 2, 7, 20})
            for (const bool lowerBetter : {false, true}) {
                SCOPED_TRACE(std::string(kind) + ", length " + std::to_string(length) + (lowerBetter ? ", lower" : ""));
                std::vector<std::array<double, 4>> columns(length);
                for (std::size_t column = 0; column < length; ++column)
                    for (double& term : columns[column])
                        term = kind[0] == 'w' ? whole(random)
                             : kind[0] == 'r' ? real(random)
                                              : 1048576.0 * (column + 1) + tiny(random);
                const RoughPrefilter prefilter(columns, ScoreSense(lowerBetter));
                for (int window = 0; window < 2000; ++window) {
                    std::vector<int> codes(length);
                    double score = 0.0;
                    for (std::size_t column = 0; column < length; ++column)
                        score += columns[column][codes[column] = code(random)];
                    std::int16_t bound = 0;
                    if (!prefilter.nearBound(std::nextafter(score, lowerBetter ? inf : -inf), bound))
                        continue;
                    ++checked;
                    ASSERT_GT(laneOf(prefilter, codes), bound) << "window " << window;
                }
            }
        EXPECT_GT(checked, 1000) << kind;
    }
}
