// SPDX-License-Identifier: GPL-3.0-or-later
#include "pythonsignals.h"

#include "common/interruptiblesleep.h"

#include "pybind.h"

namespace py = pybind11;

namespace {

// How often the signal handlers run: a line of a register file takes a few
// microseconds, taking the lock about as long, so not at every line.
constexpr qint64 checkIntervalMs = 10;

} // namespace

bool PythonSignals::raised()
{
    if (handlerRaised)
        return true;
    if (sinceCheck.isValid() && sinceCheck.elapsed() < checkIntervalMs)
        return false;
    sinceCheck.start();
    // The error a handler raises stays with this thread until the call
    // returns and raiseStopped() takes it.
    py::gil_scoped_acquire lock;
    handlerRaised = PyErr_CheckSignals() != 0;
    return handlerRaised;
}

bool PythonSignals::sleep(int milliseconds)
{
    return sleepUnlessInterrupted(milliseconds, [this] { return raised(); });
}

void PythonSignals::raiseStopped(const QString &where)
{
    if (PyErr_ExceptionMatches(PyExc_KeyboardInterrupt)) {
        PyErr_Clear();
        PyErr_SetString(PyExc_KeyboardInterrupt, where.toUtf8().constData());
    }
    throw py::error_already_set();
}
