// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_REGISTERREFERENCE_H
#define ZQ40613_REGISTERREFERENCE_H

#include "common/registermirror.h"

#include <QList>

#include <array>

class QIODevice;

// Values to compare the chip's registers with: the last value a register
// file gives each register it names, or a snapshot of all sixteen. A
// register without a reference value takes no part in a comparison.
struct RegisterReference
{
    RegisterMirror values{};
    std::array<bool, registerMirrorSize> named{};

    static RegisterReference snapshot(const RegisterMirror &values);
    // A file of comments and sleeps only: there is nothing to compare.
    bool namesNoRegister() const;
};

// Reads a register file as a reference, applying none of it: nothing is
// written and no delay waited. Returns what parse_reg_file returns, -1 with
// errorLine at a syntax error; the reference is then incomplete.
int readRegisterReference(QIODevice &file, int &errorLine, RegisterReference &reference);

// One bit in which registers differ from their reference value.
struct BitDifference
{
    int address;
    int bit;
};

// Every bit of a named register that differs, by ascending address and,
// within a register, from bit 7 down, the order of a register map.
QList<BitDifference> differingBits(const RegisterMirror &values, const RegisterReference &reference);

// A named register whose value differs from its reference value, with the
// bits that differ, bit 7 first.
struct RegisterDifference
{
    int address;
    quint8 value;
    quint8 reference;
    QList<int> bits;
};

// Every named register that differs, by ascending address.
QList<RegisterDifference> differingRegisters(const RegisterMirror &values,
                                             const RegisterReference &reference);

#endif
