// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/fieldcodec.h"

#include "common/trace.h"

namespace {

// Index shown for a one-hot field with no bit set or only bits above 6 set.
constexpr int lastOneHotIndex = 7;
constexpr unsigned byteMask = 0xff;
constexpr unsigned shiftCountMask = 31;

int width(int highBit, int lowBit)
{
    return highBit >= lowBit ? highBit - lowBit + 1 : 0;
}

using FieldCodec::mask;

unsigned lowBits(int count)
{
    return (1u << count) - 1u;
}

unsigned part(quint8 byte, int highBit, int lowBit)
{
    return (byte & mask(highBit, lowBit)) >> lowBit;
}

quint8 merged(quint8 byte, unsigned value, int highBit, int lowBit)
{
    const unsigned m = mask(highBit, lowBit);
    const unsigned field = (value & lowBits(width(highBit, lowBit))) << lowBit;
    return static_cast<quint8>(((byte & ~m) | (field & m)) & byteMask);
}

} // namespace

namespace FieldCodec {

unsigned mask(int highBit, int lowBit)
{
    unsigned m = 0;
    for (int k = lowBit; k <= highBit; ++k)
        m |= 1u << k;
    return m;
}

unsigned valueFromMirror(const FieldBinding &field, const RegisterMirror &mirror)
{
    qCDebug(lcTrace, "%d %d %d %d", field.lowBit, field.highBit, field.secondLowBit,
            field.secondHighBit);
    const quint8 first = mirror.at(field.address);
    qCDebug(lcTrace, "[0x%08x] = 0x%02x", field.address, first);
    unsigned value = part(first, field.highBit, field.lowBit);
    qCDebug(lcTrace, "after bm = 0x%02x", value);
    if (field.secondAddress != -1) {
        const quint8 second = mirror.at(field.secondAddress);
        qCDebug(lcTrace, "[0x%08x] = 0x%02x", field.secondAddress, second);
        const unsigned upper = part(second, field.secondHighBit, field.secondLowBit);
        qCDebug(lcTrace, "after bm = 0x%02x", upper);
        value |= upper << width(field.highBit, field.lowBit);
    }
    return value;
}

int indexFromMirror(const FieldBinding &field, const RegisterMirror &mirror)
{
    const unsigned value = valueFromMirror(field, mirror);
    if (!field.oneHot)
        return static_cast<int>(value);

    unsigned w = value != 0 ? value : 1u;
    for (int j = 0; j < lastOneHotIndex; ++j) {
        qCDebug(lcTrace, "j=%d result1=%d", j, static_cast<int>(w));
        if (w & 1u)
            return j;
        w >>= 1;
    }
    return lastOneHotIndex;
}

unsigned valueForIndex(const FieldBinding &field, int index)
{
    const unsigned i = static_cast<unsigned>(index);
    return field.oneHot ? 1u << (i & shiftCountMask) : i;
}

void storeFirstPart(const FieldBinding &field, unsigned value, RegisterMirror &mirror)
{
    quint8 &byte = mirror.at(field.address);
    byte = merged(byte, value, field.highBit, field.lowBit);
}

void storeSecondPart(const FieldBinding &field, unsigned value, RegisterMirror &mirror)
{
    quint8 &byte = mirror.at(field.secondAddress);
    const unsigned upper = value >> width(field.highBit, field.lowBit);
    byte = merged(byte, upper, field.secondHighBit, field.secondLowBit);
}

} // namespace FieldCodec
