// SPDX-License-Identifier: GPL-3.0-or-later
#include "records.h"

#include "common/chip.h"

namespace py = pybind11;

namespace {

// Python objects are never released after the interpreter has gone, so the
// types live as long as the process.
const Records *made = nullptr;

struct FieldDoc
{
    const char *name;
    const char *doc;
};

py::object record(py::module_ &module, const char *name, const char *doc,
                  std::initializer_list<FieldDoc> fields)
{
    py::list names;
    for (const FieldDoc &field : fields)
        names.append(field.name);
    py::object type = py::module_::import("collections").attr("namedtuple")(name, names);
    type.attr("__module__") = "zq40613";
    type.attr("__doc__") = doc;
    for (const FieldDoc &field : fields)
        type.attr(field.name).attr("__doc__") = field.doc;
    module.add_object(name, type);
    return type;
}

} // namespace

void bindRecords(py::module_ &module)
{
    made = new Records{
            record(module, "Bit", "Bit(position, value, name): one bit of a register.",
                   {{"position", "The bit's number, 7 (most significant) down to 0."},
                    {"value", "The bit, 0 or 1."},
                    {"name", "Its name, as the direct register access dialog shows it; '-' for "
                             "a bit without one."}}),
            record(module, "Difference",
                   "Difference(address, chip, file, bits): a register whose chip value\n"
                   "differs from the last value a register file gives it.",
                   {{"address", "The register, 0x00 to 0x0F."},
                    {"chip", "The value read from the chip."},
                    {"file", "The value in the file."},
                    {"bits", "The bits that differ, bit 7 first, each a Bit with the chip's value."}}),
            record(module, "Sample",
                   "Sample(time, probes, status): one tick of Board.watch().\n"
                   "\n"
                   "A tick that lost the board (with keep_going) has probes and status None.",
                   {{"time", "When it was taken: a datetime.datetime in local time, to the "
                             "millisecond."},
                    {"probes", "The probe voltages as Board.probes() gives them, or None."},
                    {"status", "The status register 0x0D, or None."}}),
            record(module, "SweepRow",
                   "SweepRow(time, set, batt, buck1, buck2, buck3, status, error_mv,\n"
                   "error_percent): one step of Board.sweep().",
                   {{"time", "When its last reading was taken: a datetime.datetime in local time."},
                    {"set", "The value set, in volts as the field's item reads."},
                    {"batt", "The mean of the BATT probe's readings, in volts."},
                    {"buck1", "The same of BUCK1."},
                    {"buck2", "The same of BUCK2."},
                    {"buck3", "The same of BUCK3."},
                    {"status", "The status register 0x0D as the last reading found it."},
                    {"error_mv", "The field's probe less the value set, in mV; None for a field no "
                                 "probe follows."},
                    {"error_percent", "The same in percent of the value set."}}),
    };
}

const Records &records()
{
    return *made;
}

py::object bitRecord(int address, int bit, int value)
{
    return records().bit(bit, value, bitName(address, bit));
}
