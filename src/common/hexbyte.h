// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_HEXBYTE_H
#define ZQ40613_HEXBYTE_H

#include <QString>

// Addresses and data as the user sees them everywhere: lower-case hex, at
// least two digits, zero-filled ("07", "ea").
inline QString hexByte(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
}

// The same with its prefix, as register values stand in files and tables
// ("0x07").
inline QString hexText(int value)
{
    return QStringLiteral("0x") + hexByte(value);
}

#endif
