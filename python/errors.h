// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PYTHON_ERRORS_H
#define ZQ40613_PYTHON_ERRORS_H

#include <QString>

#include "pybind.h"

#include <stdexcept>

// The module's failures as C++ exceptions, thrown wherever they happen (also
// with the interpreter's lock released) and raised in Python as
// zq40613.BoardError, NoBoardError and RegisterFileError.
class BoardFailure : public std::runtime_error
{
public:
    explicit BoardFailure(const QString &message) : std::runtime_error(message.toStdString()) {}
};

class NoBoardFailure : public BoardFailure
{
public:
    using BoardFailure::BoardFailure;
};

class RegisterFileFailure : public std::runtime_error
{
public:
    RegisterFileFailure(const QString &message, int line, pybind11::object path)
        : std::runtime_error(message.toStdString()), line(line), path(std::move(path))
    {
    }

    int line;
    pybind11::object path;
};

// Adds the exception classes to the module and raises them for the C++
// exceptions above.
void bindErrors(pybind11::module_ &module);

// Sets Python's error for the exception being handled, as pybind11 does for
// the calls it dispatches: for a call that goes around it.
void raiseCaught();

#endif
