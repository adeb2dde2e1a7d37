// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_BINDINGNAME_H
#define ZQ40613_BINDINGNAME_H

#include <QString>

// A panel control is tied to chip or board state by nothing but its object
// name. These three parsers decode such a name; they are pure functions of the
// name, so a panel can be re-mapped in Designer without touching code.
//
// Every numeric field holds at most the digits of its format (two hex digits
// for a register address, one for a bit, two decimal digits for a pin group or
// pin, three for an ADC reference or coefficient in hundredths). Every field
// must be present. Signs, blanks and "0x" prefixes are never part of a field.
// Names that address a register outside the 16-byte register mirror (0x10 and
// up) or a bit outside a byte are not bound, so no edit can reach past the
// mirror or into a neighbouring bit.

// The largest register address a name may bind, and the highest bit number.
constexpr int lastBoundRegister = 0x0f;
constexpr int lastBitOfByte = 7;

// Combo boxes: "coAAHL" (register AA, bits H..L) or, for names longer than
// eight characters, the split form "coAAHLBBhl" whose second register BB,
// bits h..l, holds the field's upper part. A final 's' marks a one-hot field.
struct FieldBinding
{
    int address = -1;        // -1: not bound
    int highBit = 0;
    int lowBit = 0;
    int secondAddress = -1;  // -1: the field lies in one register
    int secondHighBit = 0;
    int secondLowBit = 0;
    bool oneHot = false;

    bool isBound() const { return address != -1; }
};

FieldBinding get_co_addr(const QString &name);

// Buttons: "cbAAB" binds bit B of register AA; "ioGGPP" binds board pin PP
// of panel group GG, inverted when the name ends in 'n'.
struct ButtonBinding
{
    enum Kind { NotBound = 0, Bit = 1, Pin = 2 };

    Kind kind = NotBound;
    int address = 0;
    int bit = 0;
    int group = 0;
    int pin = 0;
    bool inverted = false;
};

ButtonBinding get_cb_addr(const QString &name);

// Line edits: "leAAB" shows status bit B of register AA; "lioGGPP" shows the
// level of a board pin; "adcDDCCRRVVVKKK" shows ADC device DD, channel CC
// read with RR bits against a reference of VVV/100 volts, scaled by KKK/100.
struct LineEditBinding
{
    enum Kind { NotBound = 0, StatusBit = 1, PinLevel = 2, Adc = 3 };

    Kind kind = NotBound;
    int address = 0;
    int bit = 0;
    int group = 0;
    int pin = 0;
    int device = 0;
    int channel = 0;
    int resolution = 0;
    double reference = 0.0;
    double coefficient = 0.0;
};

LineEditBinding get_le_addr(const QString &name);

#endif
