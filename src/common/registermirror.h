// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_REGISTERMIRROR_H
#define ZQ40613_REGISTERMIRROR_H

#include <QtGlobal>

#include <array>

// The program's copy of the chip's registers 0x00 to 0x0F. The panel shows
// it, edits change it, and the bulk transfers and register files move it to
// and from the chip. A failed read leaves 0xFF in it.
constexpr int registerMirrorSize = 16;
using RegisterMirror = std::array<quint8, registerMirrorSize>;

// Bit 0 to 7 of a register value, as 0 or 1.
inline int bitOf(quint8 byte, int bit)
{
    return (byte >> bit) & 1;
}

#endif
