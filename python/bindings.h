// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PYTHON_BINDINGS_H
#define ZQ40613_PYTHON_BINDINGS_H

#include "boardhandle.h"
#include "qstringcaster.h"

#include "pybind.h"

// The module's bindings, a group of the Board's calls per file; each adds
// its calls to the class (and what goes with them to the module).
using BoardClass = pybind11::class_<BoardHandle>;

void bindRegisters(BoardClass &board);
void bindRegisterFiles(BoardClass &board);
void bindFields(pybind11::module_ &module, BoardClass &board);
void bindReadouts(pybind11::module_ &module, BoardClass &board);
void bindSweep(pybind11::module_ &module, BoardClass &board);

#endif
