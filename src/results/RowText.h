#pragma once

#include <charconv>
#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>

#include "base/NumberText.h"

// Rows of a text table built field by field straight into a string, for
// every writer of hits: the room a row takes follows from its fields, so a
// column added to a row can never write past it.

// A number written as %.14g writes it.
struct FourteenDigits {
    double value;
};

// A number with `digits` significant digits (1 to 17), as %g writes it;
// "NA" for a NaN, a figure not available.
struct SignificantDigits {
    double value;
    int digits;
};

namespace row_text {

template <typename T>
constexpr bool isInteger = std::is_integral_v<T> && !std::is_same_v<T, char> && !std::is_same_v<T, bool>;

inline std::size_t roomFor(char)
{
    return 1;
}
inline std::size_t roomFor(const char* text)
{
    return std::strlen(text);
}
inline std::size_t roomFor(const std::string& text)
{
    return text.size();
}
// What putFourteenDigits may touch.
inline std::size_t roomFor(FourteenDigits)
{
    return 24;
}
// A sign, 17 digits, the point and an exponent such as "e-308".
inline std::size_t roomFor(SignificantDigits)
{
    return 32;
}
// A sign and the 20 digits of the widest 64-bit integer.
template <typename Integer, std::enable_if_t<isInteger<Integer>, int> = 0>
std::size_t roomFor(Integer)
{
    return 21;
}

inline char* put(char* out, char letter)
{
    *out = letter;
    return out + 1;
}
inline char* put(char* out, const char* text)
{
    const std::size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}
inline char* put(char* out, const std::string& text)
{
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}
inline char* put(char* out, FourteenDigits number)
{
    return putFourteenDigits(out, number.value);
}
inline char* put(char* out, SignificantDigits number)
{
    if (number.value != number.value)
        return put(out, "NA");
    return std::to_chars(out, out + roomFor(number), number.value, std::chars_format::general, number.digits).ptr;
}
template <typename Integer, std::enable_if_t<isInteger<Integer>, int> = 0>
char* put(char* out, Integer value)
{
    return std::to_chars(out, out + roomFor(value), value).ptr;
}

} // namespace row_text

// Appends the fields to `row` in order, with nothing between them: chars,
// texts, integers, FourteenDigits and SignificantDigits.
template <typename... Fields>
void appendRow(std::string& row, const Fields&... fields)
{
    const std::size_t start = row.size();
    row.resize(start + (row_text::roomFor(fields) + ...));
    char* out = &row[start];
    ((out = row_text::put(out, fields)), ...);
    row.resize(static_cast<std::size_t>(out - row.data()));
}

// The text as one word, its blanks and control characters as '_': for a
// field that readers split off at white space, such as a BED name or the
// name of a FASTA record.
inline std::string oneWord(const std::string& text)
{
    std::string word = text;
    for (char& letter : word) {
        const auto code = static_cast<unsigned char>(letter);
        if (code <= ' ' || code == 0x7f)
            letter = '_';
    }
    return word;
}
