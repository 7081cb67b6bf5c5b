#include "base/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

std::string textOf(double value)
{
    // Exactly the room the formatter is promised, so a sanitizer build
    // catches a write past it.
    char text[24];
    char* end = putFourteenDigits(text, value);
    return std::string(text, end);
}

double fromBits(std::uint64_t bits)
{
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Compares the formatter with printf's "%.14g" over many values, reporting
// the first few that differ with their exact binary value.
class AgainstPrintf {
public:
    ~AgainstPrintf() { EXPECT_EQ(differing_, 0u) << "of " << checked_ << " values"; }

    void check(double value)
    {
        char expected[32];
        const int length = std::snprintf(expected, sizeof expected, "%.14g", value);
        char actual[24];
        char* end = putFourteenDigits(actual, value);
        ++checked_;
        if (end - actual == length && std::memcmp(actual, expected, static_cast<std::size_t>(length)) == 0)
            return;
        if (++differing_ <= 10) {
            char exact[40];
            std::snprintf(exact, sizeof exact, "%a", value);
            ADD_FAILURE() << exact << ": printf gives " << expected << ", formatter gives " << std::string(actual, end);
        }
    }

    // The value and its neighbours up to `steps` representable doubles away.
    void checkAround(double value, int steps)
    {
        check(value);
        double below = value;
        double above = value;
        for (int step = 0; step < steps; ++step) {
            below = std::nextafter(below, -std::numeric_limits<double>::infinity());
            above = std::nextafter(above, std::numeric_limits<double>::infinity());
            check(below);
            check(above);
        }
    }

    void checkBothSigns(double value)
    {
        check(value);
        check(-value);
    }

private:
    std::size_t checked_ = 0;
    std::size_t differing_ = 0;
};

// A decimal number, parsed to the nearest double.
double decimal(const std::string& text)
{
    return std::strtod(text.c_str(), nullptr);
}

} // namespace

TEST(NumberText, WritesZeroesInfinitiesAndNaNWithTheirSign)
{
    EXPECT_EQ(textOf(0.0), "0");
    EXPECT_EQ(textOf(-0.0), "-0");
    EXPECT_EQ(textOf(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(textOf(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(textOf(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(textOf(-std::numeric_limits<double>::quiet_NaN()), "-nan");
}

TEST(NumberText, FixedUpToFourteenDigitsAndExponentFormBeyond)
{
    EXPECT_EQ(textOf(12.5), "12.5");
    EXPECT_EQ(textOf(-3.0), "-3");
    EXPECT_EQ(textOf(1.0 / 3.0), "0.33333333333333");
    EXPECT_EQ(textOf(-2.0 / 3.0), "-0.66666666666667");
    EXPECT_EQ(textOf(0.0001), "0.0001");
    EXPECT_EQ(textOf(-0.00012345678901234567), "-0.00012345678901235");
    EXPECT_EQ(textOf(0.00009), "9e-05");
    EXPECT_EQ(textOf(12345678901234.0), "12345678901234");
    EXPECT_EQ(textOf(123456789012345.0), "1.2345678901234e+14");
    EXPECT_EQ(textOf(-1e-20), "-1e-20");
    EXPECT_EQ(textOf(-std::numeric_limits<double>::max()), "-1.7976931348623e+308");
    EXPECT_EQ(textOf(std::numeric_limits<double>::denorm_min()), "4.9406564584125e-324");
}

TEST(NumberText, RoundsCarriesIntoANewDigitAndLeavesFixedFormThere)
{
    // Rounding to 14 digits moves these into the next power of ten, which
    // decides the notation and where the point goes.
    EXPECT_EQ(textOf(9.99999999999995), "10");
    EXPECT_EQ(textOf(-0.0000999999999999996), "-0.0001");
    EXPECT_EQ(textOf(0.0000999999999999949), "9.9999999999995e-05");
    EXPECT_EQ(textOf(99999999999999.5), "1e+14");
    EXPECT_EQ(textOf(99999999999999.4), "99999999999999");
}

TEST(NumberText, RoundsExactTiesToEven)
{
    EXPECT_EQ(textOf(12345678901234.5), "12345678901234");
    EXPECT_EQ(textOf(12345678901235.5), "12345678901236");
    EXPECT_EQ(textOf(1000000000000.25), "1000000000000.2");
    EXPECT_EQ(textOf(-1000000000000.75), "-1000000000000.8");
    EXPECT_EQ(textOf(10000.0009765625), "10000.000976562");
    EXPECT_EQ(textOf(10000.0029296875), "10000.002929688");

    // c * 2^-t = c * 5^t / 10^t is exact and, for odd c with c * 5^t of 15
    // digits, a tie between two 14-digit numbers; its neighbours are not.
    AgainstPrintf compare;
    std::mt19937_64 random(7);
    std::uint64_t fivePower = 1;
    for (int t = 1; t <= 21; ++t) {
        fivePower *= 5;
        const std::uint64_t smallest = (100000000000000u + fivePower - 1) / fivePower;
        const std::uint64_t largest = (1000000000000000u - 1) / fivePower;
        std::uniform_int_distribution<std::uint64_t> pick(smallest, largest);
        for (int draw = 0; draw < 4000; ++draw) {
            const double tie = std::ldexp(static_cast<double>(pick(random) | 1), -t);
            compare.checkAround(tie, 1);
            compare.check(-tie);
        }
    }
}

TEST(NumberText, MatchesPrintfNearHalfwayAtEveryMagnitude)
{
    // The doubles nearest to 15-digit decimals ending in 5 sit just off a
    // rounding boundary; runs of nines make the rounding carry far.
    AgainstPrintf compare;
    std::mt19937_64 random(11);
    std::uniform_int_distribution<std::uint64_t> fourteenDigits(10000000000000u, 99999999999999u);
    std::uniform_int_distribution<int> nines(0, 13);
    for (int exponent = -6; exponent <= 15; ++exponent) {
        for (int draw = 0; draw < 3000; ++draw) {
            std::string digits = std::to_string(fourteenDigits(random));
            const int nineCount = nines(random);
            digits.replace(digits.size() - static_cast<std::size_t>(nineCount), std::string::npos,
                           static_cast<std::size_t>(nineCount), '9');
            const std::string nearHalf = digits.substr(0, 1) + "." + digits.substr(1) + "5e" + std::to_string(exponent);
            compare.checkAround(decimal(nearHalf), 2);
        }
    }
}

TEST(NumberText, MatchesPrintfAroundPowersOfTen)
{
    AgainstPrintf compare;
    for (int exponent = -8; exponent <= 17; ++exponent) {
        const std::string power = "e" + std::to_string(exponent);
        for (const char* mantissa : {"1", "9.99999999999995", "9.9999999999999", "9.99999999999994999",
                                     "9.999999999999950001", "1.00000000000005", "5", "2.5"}) {
            const double value = decimal(mantissa + power);
            compare.checkAround(value, 40);
            compare.checkAround(-value, 2);
        }
    }
}

TEST(NumberText, MatchesPrintfAtEveryBinaryExponent)
{
    // Covers subnormals, the largest double and both edges of every range the
    // formatter treats on its own.
    AgainstPrintf compare;
    std::mt19937_64 random(13);
    const std::uint64_t fractionMask = (std::uint64_t{1} << 52) - 1;
    for (std::uint64_t biased = 0; biased < 2047; ++biased) {
        for (std::uint64_t fraction : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{2}, fractionMask,
                                       fractionMask - 1, random() & fractionMask, random() & fractionMask}) {
            compare.checkBothSigns(fromBits(biased << 52 | fraction));
        }
    }
}

TEST(NumberText, MatchesPrintfOnRandomBitPatterns)
{
    AgainstPrintf compare;
    std::mt19937_64 random(17);
    for (int draw = 0; draw < 300000; ++draw)
        compare.check(fromBits(random()));
}

TEST(NumberText, MatchesPrintfUniformlyAcrossEveryDecade)
{
    AgainstPrintf compare;
    std::mt19937_64 random(19);
    for (int exponent = -5; exponent <= 15; ++exponent) {
        std::uniform_real_distribution<double> uniform(std::pow(10.0, exponent), std::pow(10.0, exponent + 1));
        for (int draw = 0; draw < 25000; ++draw)
            compare.checkBothSigns(uniform(random));
    }
}

TEST(NumberText, MatchesPrintfOnScoresMeansAndIntegers)
{
    AgainstPrintf compare;
    std::mt19937_64 random(23);
    std::uniform_real_distribution<double> score(-100.0, 100.0);
    for (int draw = 0; draw < 300000; ++draw)
        compare.check(score(random));
    // Means: sums of scores over a count, with their repeating decimals.
    std::uniform_int_distribution<int> count(1, 2000);
    for (int draw = 0; draw < 100000; ++draw) {
        const int values = count(random);
        double sum = 0;
        for (int index = 0; index < 8; ++index)
            sum += score(random);
        compare.check(sum * 37 / values);
    }
    for (int integer = -20000; integer <= 20000; ++integer)
        compare.check(integer);
    std::uniform_int_distribution<std::uint64_t> large(0, std::uint64_t{1} << 53);
    for (int draw = 0; draw < 50000; ++draw)
        compare.checkBothSigns(static_cast<double>(large(random) >> (draw % 53)));
}
