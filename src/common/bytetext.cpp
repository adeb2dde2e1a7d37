// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/bytetext.h"

#include "common/hexdigit.h"

namespace {

constexpr int maxByte = 0xff;
constexpr int hexBase = 16;
constexpr int decimalBase = 10;
constexpr char hexPrefix[] = "0x";
constexpr char decimalPrefix[] = "0n";

// ASCII digits only: a digit of another script is no number here.
int asciiDigitValue(QChar c, int base)
{
    return c.unicode() < 0x80 ? digitValue(char(c.unicode()), base) : -1;
}

} // namespace

bool isNegativeNumber(const QString &text)
{
    return text.size() > 1 && text.at(0) == QLatin1Char('-') && text.at(1).unicode() >= '0'
           && text.at(1).unicode() <= '9';
}

std::optional<int> parseByte(const QString &text, const char *what, QString &error)
{
    const bool negative = isNegativeNumber(text);
    QStringView digits = QStringView(text).mid(negative ? 1 : 0);
    int base = hexBase;
    if (digits.startsWith(QLatin1String(hexPrefix), Qt::CaseInsensitive)) {
        digits = digits.mid(2);
    } else if (digits.startsWith(QLatin1String(decimalPrefix), Qt::CaseInsensitive)) {
        digits = digits.mid(2);
        base = decimalBase;
    }
    // Accumulated only up to just past a byte, so no number of digits can
    // overflow on the way to "out of range".
    int value = 0;
    for (const QChar c : digits) {
        const int digit = asciiDigitValue(c, base);
        if (digit < 0) {
            value = -1;
            break;
        }
        if (value <= maxByte)
            value = value * base + digit;
    }
    if (digits.isEmpty() || value < 0) {
        error = QStringLiteral("invalid %1 '%2' (hexadecimal like 0b or 0x0b, decimal like 0n11)")
                        .arg(QLatin1String(what), text);
        return std::nullopt;
    }
    if (value > maxByte || negative) {
        error = QStringLiteral("%1 '%2' is out of range (0x00 to 0xff)").arg(QLatin1String(what), text);
        return std::nullopt;
    }
    return value;
}
