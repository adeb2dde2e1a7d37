// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/bindingname.h"

#include "common/hexdigit.h"
#include "common/trace.h"

#include <QByteArray>

namespace {

constexpr int registerDigits = 2;
constexpr int bitDigits = 1;
constexpr int pinDigits = 2;
constexpr int adcSmallDigits = 2;
constexpr int adcLargeDigits = 3;
constexpr double hundredths = 100.0;

// Longest one-register combo box name; longer names use the split form.
constexpr int singleFieldNameLength = 8;

// Reads fields of at most a fixed number of digits from a name, in the way a
// width-limited scan conversion would, but without its leniencies (signs,
// leading blanks, "0x" prefixes) that would let a name produce negative or
// oversized numbers.
class FieldReader
{
public:
    FieldReader(const QByteArray &text, int start)
        : text(text), pos(start)
    {
    }

    bool hex(int maxDigits, int &value) { return number(maxDigits, 16, value); }
    bool dec(int maxDigits, int &value) { return number(maxDigits, 10, value); }

private:
    bool number(int maxDigits, int base, int &value)
    {
        int digits = 0;
        int result = 0;
        while (digits < maxDigits && pos < text.size()) {
            const int d = digitValue(text.at(pos), base);
            if (d < 0)
                break;
            result = result * base + d;
            ++pos;
            ++digits;
        }
        if (digits == 0)
            return false;
        value = result;
        return true;
    }

    const QByteArray &text;
    int pos;
};

bool isRegister(int address)
{
    return address >= 0 && address <= lastBoundRegister;
}

bool isBit(int bit)
{
    return bit >= 0 && bit <= lastBitOfByte;
}

bool startsWith(const QByteArray &text, const char *prefix)
{
    return text.startsWith(prefix);
}

} // namespace

FieldBinding get_co_addr(const QString &name)
{
    qCDebug(lcTrace, "get_co_addr()");
    const QByteArray text = name.toLatin1();
    FieldBinding b;
    if (!startsWith(text, "co"))
        return b;

    FieldReader reader(text, 2);
    int address = -1;
    bool ok = reader.hex(registerDigits, address) && reader.hex(bitDigits, b.highBit)
              && reader.hex(bitDigits, b.lowBit);
    ok = ok && isRegister(address) && isBit(b.highBit) && isBit(b.lowBit);

    if (text.size() > singleFieldNameLength) {
        qCDebug(lcTrace, "%s", text.constData());
        int second = -1;
        ok = ok && reader.hex(registerDigits, second) && reader.hex(bitDigits, b.secondHighBit)
             && reader.hex(bitDigits, b.secondLowBit);
        ok = ok && isRegister(second) && isBit(b.secondHighBit) && isBit(b.secondLowBit);
        b.secondAddress = ok ? second : -1;
    }

    b.address = ok ? address : -1;
    b.oneHot = text.endsWith('s');
    return b;
}

ButtonBinding get_cb_addr(const QString &name)
{
    const QByteArray text = name.toLatin1();
    ButtonBinding b;
    FieldReader reader(text, 2);
    if (startsWith(text, "cb")) {
        if (reader.hex(registerDigits, b.address) && reader.hex(bitDigits, b.bit)
            && isRegister(b.address) && isBit(b.bit))
            b.kind = ButtonBinding::Bit;
    } else if (startsWith(text, "io")) {
        if (reader.dec(pinDigits, b.group) && reader.dec(pinDigits, b.pin)) {
            b.kind = ButtonBinding::Pin;
            b.inverted = text.endsWith('n');
        }
    }
    return b;
}

LineEditBinding get_le_addr(const QString &name)
{
    const QByteArray text = name.toLatin1();
    LineEditBinding b;
    if (startsWith(text, "le")) {
        FieldReader reader(text, 2);
        if (reader.hex(registerDigits, b.address) && reader.hex(bitDigits, b.bit)
            && isRegister(b.address) && isBit(b.bit))
            b.kind = LineEditBinding::StatusBit;
    } else if (startsWith(text, "lio")) {
        FieldReader reader(text, 3);
        if (reader.dec(pinDigits, b.group) && reader.dec(pinDigits, b.pin))
            b.kind = LineEditBinding::PinLevel;
    } else if (startsWith(text, "adc")) {
        qCDebug(lcTrace, "%s", text.constData());
        FieldReader reader(text, 3);
        int reference = 0;
        int coefficient = 0;
        if (reader.dec(adcSmallDigits, b.device) && reader.dec(adcSmallDigits, b.channel)
            && reader.dec(adcSmallDigits, b.resolution) && reader.dec(adcLargeDigits, reference)
            && reader.dec(adcLargeDigits, coefficient)) {
            b.kind = LineEditBinding::Adc;
            b.reference = reference / hundredths;
            b.coefficient = coefficient / hundredths;
        }
    }
    return b;
}
