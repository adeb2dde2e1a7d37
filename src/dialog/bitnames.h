// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_BITNAMES_H
#define ZQ40613_BITNAMES_H

// Static names of the chip's register bits, for showing a register bit by
// bit. Every register address 0x00..0xFF has eight entries; a bit without a
// name is called unnamedBit.

constexpr int registerCount = 256;
constexpr int bitsPerRegister = 8;
constexpr char unnamedBit[] = "-";

// Name of bit 'bit' (0 = least significant) of register 'address'. Any
// address or bit outside the register file gives unnamedBit, so callers may
// pass unchecked user input.
const char *bitName(int address, int bit);

#endif
