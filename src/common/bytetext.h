// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_BYTETEXT_H
#define ZQ40613_BYTETEXT_H

#include <QString>

#include <optional>

// A register address or data byte, 0x00 to 0xff, as a person types it:
// hexadecimal with or without "0x" ("0b", "0x0b" and "B" all mean 11, "10"
// means 16), the way every number of the programs is written, or decimal
// with the prefix "0n" ("0n11"). Without a value, error says why, naming
// the number by what (such as "address" or "data"): "address '100' is out
// of range (0x00 to 0xff)".
std::optional<int> parseByte(const QString &text, const char *what, QString &error);

// A minus sign and a digit: a number below the range ("-1"), not a
// malformed one, nor a command-line option.
bool isNegativeNumber(const QString &text);

#endif
