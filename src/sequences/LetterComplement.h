#pragma once

#include <array>

// The one complement table: every byte's complement. IUPAC codes pair up, N
// with X, U with A (U stands for T); any other byte is its own.
inline constexpr std::array<char, 256> letterComplements = [] {
    std::array<char, 256> table{};
    for (int byte = 0; byte < 256; ++byte)
        table[byte] = static_cast<char>(byte);
    const char* from = "ACGTBDHVKMRYSWNXU";
    const char* to = "TGCAVHDBMKYRSWXNA";
    for (int i = 0; from[i] != '\0'; ++i)
        table[static_cast<unsigned char>(from[i])] = to[i];
    return table;
}();

inline char complementOf(char letter)
{
    return letterComplements[static_cast<unsigned char>(letter)];
}
