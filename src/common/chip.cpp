// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/chip.h"

#include <algorithm>
#include <iterator>

namespace {

// Only the registers that have at least one named bit are listed; every
// other register reads as unnamed throughout.
struct NamedRegister
{
    int address;
    const char *names[bitsPerRegister]; // bit 7 first, as in a register map
};

constexpr NamedRegister namedRegisters[] = {
    {0x00, {unnamedBit, "Buck3 Voltage Code [6]", "Buck3 Voltage Code [5]",
            "Buck3 Voltage Code [4]", "Buck3 Voltage Code [3]",
            "Buck3 Voltage Code [2]", "Buck3 Voltage Code [1]",
            "Buck3 Voltage Code [0]"}},
    {0x07, {unnamedBit, unnamedBit, "Buck1 Voltage Code [5]",
            "Buck1 Voltage Code [4]", "Buck1 Voltage Code [3]",
            "Buck1 Voltage Code [2]", "Buck1 Voltage Code [1]",
            "Buck1 Voltage Code [0]"}},
    {0x08, {unnamedBit, unnamedBit, "Buck2 Voltage Code [5]",
            "Buck2 Voltage Code [4]", "Buck2 Voltage Code [3]",
            "Buck2 Voltage Code [2]", "Buck2 Voltage Code [1]",
            "Buck2 Voltage Code [0]"}},
    {0x0A, {"Buck3 Enable", unnamedBit, unnamedBit, "Buck1 FPWM", "Buck2 FPWM",
            "Buck3 FPWM", "Buck1 Enable", "Buck2 Enable"}},
    {0x0B, {"Comp Hyst", "Comp Thres[5]", "Comp Thres[4]", "Comp Thres[3]",
            "Comp Thres[2]", "Comp Thres[1]", "Comp Thres[0]", "Comp Enable"}},
    {0x0C, {unnamedBit, unnamedBit, unnamedBit, "LDO OK", "Buck3 OK", "Buck2 OK",
            "Buck1 OK", "Comparator"}},
    {0x0D, {unnamedBit, unnamedBit, unnamedBit, "LDO OK", "Buck3 OK", "Buck2 OK",
            "Buck1 OK", "Comparator"}},
    {0x0E, {unnamedBit, unnamedBit, unnamedBit, unnamedBit, unnamedBit,
            unnamedBit, unnamedBit, "IRQ Polarity"}},
};

} // namespace

const char *bitName(int address, int bit)
{
    if (address < 0 || address >= registerCount || bit < 0 || bit >= bitsPerRegister)
        return unnamedBit;

    const auto row = std::find_if(std::begin(namedRegisters), std::end(namedRegisters),
                                  [address](const NamedRegister &r) { return r.address == address; });
    if (row == std::end(namedRegisters))
        return unnamedBit;
    return row->names[bitsPerRegister - 1 - bit];
}
