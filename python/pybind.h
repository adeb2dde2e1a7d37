// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PYTHON_PYBIND_H
#define ZQ40613_PYTHON_PYBIND_H

// pybind11 with Python's headers, which use "slots" as a name where Qt has
// made it a keyword.
#pragma push_macro("slots")
#undef slots
#include <pybind11/pybind11.h>
#pragma pop_macro("slots")

#endif
