// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PYTHON_RECORDS_H
#define ZQ40613_PYTHON_RECORDS_H

#include "pybind.h"

// The named tuples the module gives back: zq40613.Bit, Difference, Sample
// and SweepRow. Plain tuples with names, so they print, compare, unpack and go
// into pandas as such.
struct Records
{
    pybind11::object bit;
    pybind11::object difference;
    pybind11::object sample;
    pybind11::object sweepRow;
};

// Makes them and adds them to the module, once, at import.
void bindRecords(pybind11::module_ &module);
const Records &records();

// A register bit as a Bit: its position, its value and its name.
pybind11::object bitRecord(int address, int bit, int value);

#endif
