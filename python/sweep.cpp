// SPDX-License-Identifier: GPL-3.0-or-later
// Board.sweep: a field stepped through its values, with the readings that
// follow, as the desktop program's Sweep window and zq40613-reg sweep take
// them, and the same CSV file.
#include "bindings.h"
#include "pythonsignals.h"
#include "records.h"

#include "sweep/sweepcsv.h"

namespace py = pybind11;

namespace {

constexpr double msPerSecond = 1000.0;

// The rows a sweep took, as a sequence of SweepRow, and what writes them.
class SweepRows
{
public:
    SweepRows(SweepField field, const QList<SweepRow> &taken)
        : field(std::move(field)), taken(taken)
    {
        const py::object fromTimestamp = py::module_::import("datetime").attr("datetime").attr("fromtimestamp");
        for (const SweepRow &row : taken) {
            const std::optional<SweepError> error = sweepError(this->field, row);
            const std::optional<double> set = this->field.volts(row.index);
            tuples.append(records().sweepRow(
                    fromTimestamp(double(row.time) / msPerSecond),
                    set ? py::object(py::float_(*set)) : py::cast(this->field.setText(row.index)),
                    row.volts[0], row.volts[1], row.volts[2], row.volts[3], int(row.status),
                    error ? py::object(py::float_(error->millivolts)) : py::none(),
                    error ? py::object(py::float_(error->percent)) : py::none()));
        }
    }

    // Through Python's own open(), so that a path is taken as anywhere in
    // Python and a failure is its OSError.
    void toCsv(const py::object &path) const
    {
        QString text = sweepCsvHeader(field);
        for (const SweepRow &row : taken)
            text += sweepCsvLine(field, row);
        py::object file = py::module_::import("builtins").attr("open")(path, "w", py::arg("encoding") = "utf-8",
                                                                       py::arg("newline") = "");
        try {
            file.attr("write")(text);
        } catch (...) {
            file.attr("close")();
            throw;
        }
        file.attr("close")();
    }

    py::object trips() const
    {
        if (field.statusBit < 0)
            return py::none();
        const TripPoints points = tripPoints(field, taken);
        return py::make_tuple(points.rising ? py::object(py::float_(*points.rising)) : py::none(),
                              points.falling ? py::object(py::float_(*points.falling)) : py::none());
    }

    SweepField field;
    QList<SweepRow> taken;
    py::list tuples;
};

// Raises BoardError for a sweep the board ended, with the rows it took.
[[noreturn]] void raiseEnded(const QString &why, SweepRows rows)
{
    py::object error = py::module_::import("zq40613").attr("BoardError")(why);
    error.attr("rows") = py::cast(std::move(rows));
    PyErr_SetObject(error.get_type().ptr(), error.ptr());
    throw py::error_already_set();
}

void checkRange(int value, const char *name, int lowest, int highest)
{
    if (value < lowest || value > highest)
        throw py::value_error(QStringLiteral("%1 %2 is out of range (%3 to %4)")
                                      .arg(QLatin1String(name))
                                      .arg(value)
                                      .arg(lowest)
                                      .arg(highest)
                                      .toStdString());
}

py::object sweep(BoardHandle &board, const QString &field, const py::handle &start, const py::handle &stop,
                 int settleMs, int readings, bool upDown, bool restore)
{
    QString error;
    std::optional<SweepPlan> plan =
            planSweep(field, py::str(start).cast<QString>(), py::str(stop).cast<QString>(), error);
    if (!plan)
        throw py::value_error(error.toStdString());
    checkRange(settleMs, "settle_ms", 0, SweepPlan::longestSettleMs);
    checkRange(readings, "readings", 1, SweepPlan::mostReadings);
    plan->settleMs = settleMs;
    plan->readings = readings;
    plan->upAndDown = upDown;
    plan->restore = restore;

    // The board is free for other threads while a step settles.
    PythonSignals interrupt;
    QList<SweepRow> taken;
    QString failure;
    int stoppedAt = 0;
    const bool answered = board.runUnlockable([&](BoardSession &s, std::unique_lock<std::mutex> &lock) {
        std::optional<RegisterMirror> registers = s.readFields({plan->field});
        if (!registers)
            return false;
        SweepRun run(*plan, s.link(), *registers);
        runSweep(run, [&](int milliseconds) {
            lock.unlock();
            const bool slept = interrupt.sleep(milliseconds);
            lock.lock();
            return slept;
        });
        taken = run.rows();
        failure = run.failure();
        stoppedAt = run.wasStopped() ? run.stepNumber() : 0;
        return true;
    });
    if (!answered)
        board.failed();
    if (!failure.isEmpty())
        raiseEnded(failure, SweepRows(plan->field, taken));
    if (stoppedAt > 0)
        interrupt.raiseStopped(QStringLiteral("sweep interrupted at step %1 of %2%3")
                                       .arg(stoppedAt)
                                       .arg(plan->steps().size())
                                       .arg(restore ? QStringLiteral("; %1 restored").arg(plan->field.name)
                                                    : QString()));
    return py::cast(SweepRows(plan->field, taken));
}

} // namespace

void bindSweep(py::module_ &module, BoardClass &board)
{
    py::class_<SweepRows>(module, "SweepRows",
                          "The rows Board.sweep() took, a SweepRow per step, in the order taken:\n"
                          "a sequence (len, index, iterate) that also writes them as CSV.")
            .def("__len__", [](const SweepRows &s) { return s.tuples.size(); })
            .def("__getitem__", [](const SweepRows &s, const py::object &at) { return s.tuples.attr("__getitem__")(at); })
            .def("__iter__", [](const SweepRows &s) { return s.tuples.attr("__iter__")(); })
            .def("__repr__", [](const SweepRows &s) { return py::repr(s.tuples); })
            .def_property_readonly(
                    "field", [](const SweepRows &s) { return s.field.name; },
                    "The field that was swept, by its name.")
            .def_property_readonly("trips", &SweepRows::trips,
                                   "For a field a status bit follows (the comparator's threshold):\n"
                                   "(rising, falling), the value set at the first step at which the bit\n"
                                   "had changed while the values went up, and while they came down,\n"
                                   "each None when it did not change; None for any other field.")
            .def("to_csv", &SweepRows::toCsv, py::arg("path"),
                 "to_csv(path) -> None\n"
                 "\n"
                 "Writes the rows to a file, in the CSV of the desktop program's Sweep\n"
                 "window and zq40613-reg sweep: a header, then a line per step (time,\n"
                 "set, BATT, BUCK1, BUCK2, BUCK3, 0x0d and, for a converter, its probe's\n"
                 "error in mV and %). OSError when the file cannot be written.");

    board.def("sweep", &sweep, py::arg("field"), py::arg("start"), py::arg("stop"), py::arg("settle_ms") = 100,
              py::arg("readings") = 1, py::arg("up_down") = false, py::arg("restore") = true,
              "sweep(field, start, stop, settle_ms=100, readings=1, up_down=False, restore=True)\n"
              "    -> SweepRows\n"
              "\n"
              "Steps a field of the panel (a combo box, named as field_names() names\n"
              "it: 'Buck1 Output voltage', 'Comparator Threshold voltage') through\n"
              "its values from start to stop, downwards too, as a panel edit sets it,\n"
              "and measures what follows: after each step it waits settle_ms (0 to\n"
              "3600000), then reads the four probes and the status register readings\n"
              "times (1 to 1000) and keeps the means. Values are the field's items,\n"
              "as text with or without the unit or as numbers: '1.100V', '1.1', 1.1.\n"
              "With up_down it steps back to start again; with restore the field goes\n"
              "back to its value from before at the end.\n"
              "\n"
              "Gives the rows as SweepRow(time, set, batt, buck1, buck2, buck3,\n"
              "status, error_mv, error_percent) named tuples, error_mv and\n"
              "error_percent being the field's probe against the value set (None\n"
              "for the comparator); rows.to_csv(path) writes them as the Sweep window\n"
              "and zq40613-reg sweep do.\n"
              "\n"
              "ValueError for a field or value the panel does not have, naming the\n"
              "choices. A board that stops answering ends the sweep with BoardError\n"
              "naming the step; its .rows holds the rows taken. Ctrl+C stops it\n"
              "before its next step, restores the field and raises\n"
              "KeyboardInterrupt('sweep interrupted at step N of M; ... restored').");
}
