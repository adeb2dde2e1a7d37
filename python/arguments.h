// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PYTHON_ARGUMENTS_H
#define ZQ40613_PYTHON_ARGUMENTS_H

#include "qstringcaster.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include "pybind.h"

struct PanelField;

// A register address or data byte given as an int, or as text the way
// zq40613-reg takes it ("0b", "0x0b", "0n11"); ValueError in zq40613-reg's
// words when it is no byte ("address '0x100' is out of range (0x00 to
// 0xff)"), TypeError when it is neither.
int byteArgument(pybind11::handle value, const char *what);

// A file name as Python gives one (str, bytes or a path object): the bytes
// that name it on the system and the text the messages show.
struct PathArgument
{
    explicit PathArgument(const pybind11::object &path);

    pybind11::object given;
    QByteArray bytes;
    QString text;

    // Opens the file for reading; OSError, as Python's open() raises it,
    // when it cannot be opened.
    void open(QFile &file) const;
};

// OSError for a file that could not be read to its end, in zq40613-reg's
// words: "cannot read setup.qrx: Is a directory".
[[noreturn]] void raiseUnreadable(const QString &message);

// The field of that name ("Buck1 Output voltage"); ValueError for a name
// the panel has not.
const PanelField &fieldArgument(const QString &name);

// What a value given for a field stands for: one of its texts ("1.800V",
// "on"), an item index, or for a switch True or False; ValueError when the
// field takes no such value or cannot be set at all.
int fieldValueArgument(const PanelField &field, pybind11::handle value);

#endif
