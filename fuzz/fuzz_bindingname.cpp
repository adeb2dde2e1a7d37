// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the three binding-name parsers and the field arithmetic
// behind combo boxes.
//
// Input: the object name in Latin-1, optionally followed by a NUL and then
// the combo box item index (four bytes, little-endian, signed) and the
// mirror's starting bytes. A plain name is a complete input, so panel names
// serve as seeds as they are.
//
// Properties: a bound register binding stays inside the 16-byte mirror and a
// byte's bits 0..7, pin and ADC fields are never negative, parsing is a pure
// function of the name, and storing an item changes nothing but the bits of
// its field, reading the item back where the field's parts do not overlap.

#include "fuzzcheck.h"

#include "binding/bindingname.h"
#include "binding/fieldcodec.h"
#include "common/registermirror.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

constexpr std::size_t indexBytes = 4;
// Mirror bytes the input leaves out count up from here, a mix of ones and
// zeros in every field.
constexpr quint8 firstDefaultByte = 0x5A;
constexpr int lastOneHotIndex = 7;
constexpr unsigned shiftCountLimit = 32;
// Two decimal digits for a pin group or pin, three for an ADC value in
// hundredths.
constexpr int largestTwoDigits = 99;
constexpr double largestHundredths = 9.99;

struct Input
{
    QString name;
    qint32 index = 0;
    RegisterMirror mirror {};
};

Input splitInput(const std::uint8_t *data, std::size_t size)
{
    const auto *begin = reinterpret_cast<const char *>(data);
    const auto *end = begin + size;
    const auto *nul = std::find(begin, end, '\0');

    Input input;
    input.name = QString::fromLatin1(begin, qsizetype(nul - begin));
    const char *p = nul == end ? end : nul + 1;
    quint32 index = 0;
    for (std::size_t i = 0; i < indexBytes && p != end; ++i, ++p)
        index |= quint32(quint8(*p)) << (8 * i);
    input.index = qint32(index);
    for (std::size_t address = 0; address < input.mirror.size(); ++address)
        input.mirror[address] = p != end ? quint8(*p++) : quint8(firstDefaultByte + address);
    return input;
}

bool isRegister(int address)
{
    return address >= 0 && address <= lastBoundRegister;
}

bool isBit(int bit)
{
    return bit >= 0 && bit <= lastBitOfByte;
}

bool isTwoDigits(int value)
{
    return value >= 0 && value <= largestTwoDigits;
}

bool isHundredths(double value)
{
    return std::isfinite(value) && value >= 0.0 && value <= largestHundredths;
}

bool sameField(const FieldBinding &a, const FieldBinding &b)
{
    return a.address == b.address && a.highBit == b.highBit && a.lowBit == b.lowBit
           && a.secondAddress == b.secondAddress && a.secondHighBit == b.secondHighBit
           && a.secondLowBit == b.secondLowBit && a.oneHot == b.oneHot;
}

bool sameButton(const ButtonBinding &a, const ButtonBinding &b)
{
    return a.kind == b.kind && a.address == b.address && a.bit == b.bit && a.group == b.group
           && a.pin == b.pin && a.inverted == b.inverted;
}

bool sameLineEdit(const LineEditBinding &a, const LineEditBinding &b)
{
    return a.kind == b.kind && a.address == b.address && a.bit == b.bit && a.group == b.group
           && a.pin == b.pin && a.device == b.device && a.channel == b.channel
           && a.resolution == b.resolution && a.reference == b.reference
           && a.coefficient == b.coefficient;
}

void checkField(const FieldBinding &field)
{
    if (!field.isBound()) {
        FUZZ_CHECK(field.address == -1);
        FUZZ_CHECK(field.secondAddress == -1);
        return;
    }
    FUZZ_CHECK(isRegister(field.address));
    FUZZ_CHECK(isBit(field.highBit) && isBit(field.lowBit));
    if (field.secondAddress != -1) {
        FUZZ_CHECK(isRegister(field.secondAddress));
        FUZZ_CHECK(isBit(field.secondHighBit) && isBit(field.secondLowBit));
    }
}

void checkButton(const ButtonBinding &button)
{
    switch (button.kind) {
    case ButtonBinding::Bit:
        FUZZ_CHECK(isRegister(button.address) && isBit(button.bit));
        return;
    case ButtonBinding::Pin:
        FUZZ_CHECK(isTwoDigits(button.group) && isTwoDigits(button.pin));
        return;
    case ButtonBinding::NotBound:
        return;
    }
    fuzzCheckFailed("button binding of a known kind", __FILE__, __LINE__);
}

void checkLineEdit(const LineEditBinding &edit)
{
    switch (edit.kind) {
    case LineEditBinding::StatusBit:
        FUZZ_CHECK(isRegister(edit.address) && isBit(edit.bit));
        return;
    case LineEditBinding::PinLevel:
        FUZZ_CHECK(isTwoDigits(edit.group) && isTwoDigits(edit.pin));
        return;
    case LineEditBinding::Adc:
        FUZZ_CHECK(isTwoDigits(edit.device) && isTwoDigits(edit.channel)
                   && isTwoDigits(edit.resolution));
        FUZZ_CHECK(isHundredths(edit.reference) && isHundredths(edit.coefficient));
        return;
    case LineEditBinding::NotBound:
        return;
    }
    fuzzCheckFailed("line edit binding of a known kind", __FILE__, __LINE__);
}

// Only the bits in mask of the byte at address may differ.
bool changedOnly(const RegisterMirror &before, const RegisterMirror &after, int address,
                 unsigned mask)
{
    for (int a = 0; a < registerMirrorSize; ++a) {
        const unsigned allowed = a == address ? mask : 0u;
        if ((before[std::size_t(a)] ^ after[std::size_t(a)]) & ~allowed)
            return false;
    }
    return true;
}

int fieldWidth(int highBit, int lowBit)
{
    return highBit >= lowBit ? highBit - lowBit + 1 : 0;
}

void checkFieldArithmetic(const FieldBinding &field, const Input &input)
{
    const unsigned firstMask = FieldCodec::mask(field.highBit, field.lowBit);
    const bool split = field.secondAddress != -1;
    const unsigned secondMask =
        split ? FieldCodec::mask(field.secondHighBit, field.secondLowBit) : 0u;
    const int width = fieldWidth(field.highBit, field.lowBit)
                      + (split ? fieldWidth(field.secondHighBit, field.secondLowBit) : 0);

    Guarded<RegisterMirror> guarded(input.mirror);
    const int shown = FieldCodec::indexFromMirror(field, guarded.value);
    FUZZ_CHECK(shown >= 0);
    FUZZ_CHECK(field.oneHot ? shown <= lastOneHotIndex : unsigned(shown) < (1u << width));

    const unsigned value = FieldCodec::valueForIndex(field, input.index);
    const RegisterMirror start = guarded.value;
    FieldCodec::storeFirstPart(field, value, guarded.value);
    FUZZ_CHECK(changedOnly(start, guarded.value, field.address, firstMask));
    if (split) {
        const RegisterMirror between = guarded.value;
        FieldCodec::storeSecondPart(field, value, guarded.value);
        FUZZ_CHECK(changedOnly(between, guarded.value, field.secondAddress, secondMask));
    }
    FUZZ_CHECK(guarded.guardsIntact());

    // Read back what was stored, unless the second part overwrote bits of
    // the first.
    if (split && field.secondAddress == field.address && (firstMask & secondMask))
        return;
    const int readBack = FieldCodec::indexFromMirror(field, guarded.value);
    const unsigned index = unsigned(input.index);
    if (!field.oneHot) {
        FUZZ_CHECK(unsigned(readBack) == (index & ((1u << width) - 1u)));
    } else if (index < shiftCountLimit) {
        const int expected = int(index) < width ? std::min(int(index), lastOneHotIndex) : 0;
        FUZZ_CHECK(readBack == expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    discardTrace();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Input input = splitInput(data, size);

    const FieldBinding field = get_co_addr(input.name);
    checkField(field);
    FUZZ_CHECK(sameField(field, get_co_addr(input.name)));

    const ButtonBinding button = get_cb_addr(input.name);
    checkButton(button);
    FUZZ_CHECK(sameButton(button, get_cb_addr(input.name)));

    const LineEditBinding edit = get_le_addr(input.name);
    checkLineEdit(edit);
    FUZZ_CHECK(sameLineEdit(edit, get_le_addr(input.name)));

    if (field.isBound())
        checkFieldArithmetic(field, input);
    return 0;
}
