// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_HEXDIGIT_H
#define ZQ40613_HEXDIGIT_H

#include <array>
#include <cstddef>

// The value of a character as a hexadecimal digit, upper or lower case, or -1.
// One table serves every reader of hex text in the program (binding names,
// register files, command-line arguments); a table, since telling digits
// apart is most of what the register file reader does.
inline constexpr std::array<signed char, 256> hexDigitValues = [] {
    std::array<signed char, 256> values{};
    for (auto &value : values)
        value = -1;
    for (int c = '0'; c <= '9'; ++c)
        values[std::size_t(c)] = static_cast<signed char>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        values[std::size_t(c)] = static_cast<signed char>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c)
        values[std::size_t(c)] = static_cast<signed char>(c - 'A' + 10);
    return values;
}();

inline int hexDigitValue(char c)
{
    return hexDigitValues[static_cast<unsigned char>(c)];
}

// The same for a digit of the given base (10 or 16).
inline int digitValue(char c, int base)
{
    const int value = hexDigitValue(c);
    return value < base ? value : -1;
}

#endif
