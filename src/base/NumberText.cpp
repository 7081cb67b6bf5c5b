#include "base/NumberText.h"

#include <charconv>
#include <cstdint>
#include <cstring>

namespace {

constexpr int significantDigits = 14;
// Longest text: "-1.2345678901234e-308".
constexpr int textRoom = 24;

// |x| * 10^k of a double needs at most 53 + 60 bits for the k used here.
__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t powersOfTen[] = {
    1u,
    10u,
    100u,
    1000u,
    10000u,
    100000u,
    1000000u,
    10000000u,
    100000000u,
    1000000000u,
    10000000000u,
    100000000000u,
    1000000000000u,
    10000000000000u,
    100000000000000u,
    1000000000000000u,
    10000000000000000u,
    100000000000000000u,
    1000000000000000000u,
};

constexpr std::uint64_t tooManyDigits = powersOfTen[significantDigits];

constexpr char digitPairs[] = "00010203040506070809"
                              "10111213141516171819"
                              "20212223242526272829"
                              "30313233343536373839"
                              "40414243444546474849"
                              "50515253545556575859"
                              "60616263646566676869"
                              "70717273747576777879"
                              "80818283848586878889"
                              "90919293949596979899";

// mantissa * 2^-shift * 10^power rounded to nearest, ties to even, as printf
// rounds: exact, since the whole product is kept. Adding just under one half,
// plus one when the truncated result is odd, carries into the kept bits
// exactly when rounding goes up, without a branch that would guess wrong for
// about half the values.
std::uint64_t scaledAndRounded(std::uint64_t mantissa, int shift, int power)
{
    const Wide product = Wide{mantissa} * powersOfTen[power];
    const Wide odd = (product >> shift) & 1;
    return static_cast<std::uint64_t>((product + (Wide{1} << (shift - 1)) - 1 + odd) >> shift);
}

void putPair(char* out, std::uint32_t pair)
{
    std::memcpy(out, digitPairs + 2 * pair, 2);
}

// Four digits of a number below 10^4.
void putFour(char* out, std::uint32_t four)
{
    putPair(out, four / 100);
    putPair(out + 2, four % 100);
}

// The 14 digits of 10^13 <= digits < 10^14, worked out in independent parts.
void putDigits(char* out, std::uint64_t digits)
{
    const auto high = static_cast<std::uint32_t>(digits / 100000000u);
    const auto low = static_cast<std::uint32_t>(digits % 100000000u);
    putPair(out, high / 10000);
    putFour(out + 2, high % 10000);
    putFour(out + 6, low / 10000);
    putFour(out + 10, low % 10000);
}

// Fixed notation of digits * 10^(exponent - 13), -4 <= exponent <= 13.
char* putFixed(char* out, bool negative, std::uint64_t digits, int exponent)
{
    // Written always and kept only for a negative number: signs vary from
    // row to row, which a branch would keep guessing wrong.
    *out = '-';
    out += negative;
    if (exponent < 0) {
        std::memcpy(out, "0.000", 5);
        out += 1 - exponent;
        putDigits(out, digits);
        out += significantDigits;
    } else {
        // The digits after the integer part move one place on for the point,
        // copied in fixed-size blocks that stay within the room: a second
        // block only when more than 8 digits follow the point.
        char text[24] = {};
        putDigits(text, digits);
        std::memcpy(out, text, 16);
        out[exponent + 1] = '.';
        std::memcpy(out + exponent + 2, text + exponent + 1, 8);
        if (exponent < 5)
            std::memcpy(out + exponent + 10, text + exponent + 9, 8);
        out += significantDigits + 1;
    }
    while (out[-1] == '0')
        --out;
    if (out[-1] == '.')
        --out;
    return out;
}

} // namespace

char* putFourteenDigits(char* out, double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const int biasedExponent = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);

    // Zero, the integration means of every row of a run without integration,
    // is most numbers of such a file.
    if (biasedExponent == 0 && fraction == 0) {
        if (negative)
            *out++ = '-';
        *out++ = '0';
        return out;
    }

    // 2^-14 <= |value| < 2^47 holds every number printed in fixed notation
    // (1e-4 <= |value| < 1e14 after rounding); scores and means lie there.
    const int binaryExponent = biasedExponent - 1023;
    if (binaryExponent >= -14 && binaryExponent <= 46) {
        const std::uint64_t mantissa = fraction | (std::uint64_t{1} << 52);
        const int shift = 52 - binaryExponent;
        // floor(binaryExponent * log10(2)), the decimal exponent or one below
        // it. The sum is kept non-negative as shifting a negative int right is
        // implementation-defined.
        int exponent = ((binaryExponent * 78913 + (5 << 18)) >> 18) - 5;
        std::uint64_t digits = scaledAndRounded(mantissa, shift, significantDigits - 1 - exponent);
        if (digits >= tooManyDigits) {
            // One digit too many, the value being in the next decade or its
            // rounding having carried (9.99...95 to 10): scaled again from the
            // value itself, as rounding the rounded digits could round twice.
            // Below 2 * 10^exponent now, it cannot carry again.
            ++exponent;
            if (exponent < significantDigits)
                digits = scaledAndRounded(mantissa, shift, significantDigits - 1 - exponent);
        }
        if (exponent >= -4 && exponent < significantDigits)
            return putFixed(out, negative, digits, exponent);
    }
    // Exponent notation, subnormals, infinities and NaN are rare here.
    return std::to_chars(out, out + textRoom, value, std::chars_format::general, significantDigits).ptr;
}
