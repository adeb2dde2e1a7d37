// SPDX-License-Identifier: GPL-3.0-or-later
// Board.pins, probes and watch: the board's pins and probes as the panel and
// zq40613-reg pins, probes and probes --watch read them.
#include "arguments.h"
#include "bindings.h"
#include "records.h"
#include "pythonsignals.h"

#include "binding/probecsv.h"
#include "session/probewatch.h"

#include <array>
#include <memory>

namespace py = pybind11;

namespace {

constexpr double msPerSecond = 1000.0;

// The level or the volts of each read-out of a table, by its label.
template <std::size_t N, typename Value>
py::dict readouts(BoardHandle &board, const PanelReadout (&table)[N], Value value)
{
    std::array<ReadoutValue, N> read;
    board.runOrRaise([&](BoardSession &s) {
        for (std::size_t i = 0; i < N; ++i) {
            const std::optional<ReadoutValue> one = s.readPanelValue(table[i]);
            if (!one)
                return false;
            read[i] = *one;
        }
        return true;
    });
    py::dict result;
    for (std::size_t i = 0; i < N; ++i)
        result[table[i].label] = value(read[i]);
    return result;
}

py::dict probeDict(const ProbeVolts &volts)
{
    py::dict probes;
    for (int i = 0; i < probeCount; ++i)
        probes[panelProbes[i].label] = volts[std::size_t(i)];
    return probes;
}

// The iterator Board.watch() gives: each next() waits for the next tick.
class Watch
{
public:
    Watch(BoardHandle &board, int intervalMs, bool keepGoing, py::object csv)
        : board(board), watch(board.watch(intervalMs, keepGoing)), csv(std::move(csv))
    {
        if (!this->csv.is_none())
            write(probeCsvHeader());
    }

    py::object next()
    {
        for (;;) {
            PythonSignals interrupt;
            // The board is free for other threads while the watch waits.
            const auto waitAndTake = [&](BoardSession &, std::unique_lock<std::mutex> &lock) {
                return watch->next([&](int milliseconds) {
                    lock.unlock();
                    const bool slept = interrupt.sleep(milliseconds);
                    lock.lock();
                    return slept;
                });
            };
            const ProbeWatch::Step step = board.runUnlockable(waitAndTake);
            switch (step.kind) {
            case ProbeWatch::Step::Interrupted:
                interrupt.raiseStopped(QStringLiteral("watch interrupted at sample %1").arg(taken + 1));
            case ProbeWatch::Step::Failed:
                board.failed();
            case ProbeWatch::Step::Lost:
                continue;
            case ProbeWatch::Step::Sample:
            case ProbeWatch::Step::Gap:
                break;
            }
            if (!csv.is_none())
                write(step.csvLine());
            ++taken;
            const py::object time = py::module_::import("datetime").attr("datetime").attr("fromtimestamp")(
                    double(step.sample.time) / msPerSecond);
            if (step.kind == ProbeWatch::Step::Gap)
                return records().sample(time, py::none(), py::none());
            return records().sample(time, probeDict(step.sample.volts), int(step.sample.status));
        }
    }

private:
    void write(const QString &line)
    {
        csv.attr("write")(line);
        if (py::hasattr(csv, "flush"))
            csv.attr("flush")();
    }

    BoardHandle &board;
    std::unique_ptr<ProbeWatch> watch;
    py::object csv;
    int taken = 0;
};

} // namespace

void bindReadouts(py::module_ &module, BoardClass &board)
{
    board.def(
            "pins",
            [](BoardHandle &b) { return readouts(b, panelPins, [](const ReadoutValue &v) { return v.level; }); },
            "pins() -> dict[str, int]\n"
            "\n"
            "The board's pin levels as the panel shows them, 0 or 1:\n"
            "{'IRQ': 1, 'PWR_UP MODE': 1}.");

    board.def(
            "probes",
            [](BoardHandle &b) { return readouts(b, panelProbes, [](const ReadoutValue &v) { return v.volts; }); },
            "probes() -> dict[str, float]\n"
            "\n"
            "The four probe voltages in volts, as the ADC reading converts (the\n"
            "panel and zq40613-reg show them to two decimals):\n"
            "{'BATT': 3.70..., 'BUCK1': 1.80..., 'BUCK2': 3.30..., 'BUCK3': 1.20...}.");

    py::class_<Watch>(module, "Watch",
                      "The iterator Board.watch() gives; each step waits for the next tick\n"
                      "and gives its Sample.")
            .def("__iter__", [](Watch &w) -> Watch & { return w; })
            .def("__next__", &Watch::next, "Waits for the next tick and gives its Sample.");

    board.def(
            "watch",
            [](BoardHandle &b, double interval, bool keepGoing, py::object csv) {
                QString error;
                const QString given = py::str(py::float_(interval)).cast<QString>();
                const std::optional<int> ms = ProbeWatch::intervalFromSeconds(interval, given, error);
                if (!ms)
                    throw py::value_error(error.toStdString());
                return Watch(b, *ms, keepGoing, std::move(csv));
            },
            py::arg("interval"), py::kw_only(), py::arg("keep_going") = false, py::arg("csv") = py::none(),
            py::keep_alive<0, 1>(),
            "watch(interval, *, keep_going=False, csv=None) -> Iterator[Sample]\n"
            "\n"
            "Samples the probes and the status register every interval seconds\n"
            "(0.1 to 86400), on a fixed schedule from the start, as zq40613-reg\n"
            "probes --watch does, and gives each as a Sample(time, probes, status);\n"
            "it goes on until the loop ends it.\n"
            "\n"
            "Without keep_going, the first read the board does not answer raises\n"
            "BoardError. With it, the loss is one Sample whose probes and status\n"
            "are None, and the board is opened again at every tick until it\n"
            "answers. With csv, a file open for writing text, each sample is\n"
            "also written to it, after a header, in the lines zq40613-reg probes\n"
            "--watch prints (and the probe history window saves).\n"
            "\n"
            "Ctrl+C stops the watch between two samples and raises\n"
            "KeyboardInterrupt('watch interrupted at sample N'): N-1 samples were\n"
            "taken.");
}
