// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PYTHON_PYTHONSIGNALS_H
#define ZQ40613_PYTHON_PYTHONSIGNALS_H

#include <QElapsedTimer>
#include <QString>

// Hears of Ctrl+C during a long call that runs with the interpreter's lock
// released (a load, a watch): every few milliseconds it takes the lock and
// lets Python run its signal handlers, as Python does between statements.
// Once a handler raises (KeyboardInterrupt, or whatever a handler of the
// script's own raises), the call stops at its next line or sample, and the
// error is raised when the call returns.
class PythonSignals
{
public:
    // A handler has raised; asked without the interpreter's lock.
    bool raised();
    // Sleeps the milliseconds, or until a handler raises; false if one did.
    bool sleep(int milliseconds);

    // With the lock held again: raises what the handler raised, a
    // KeyboardInterrupt as one that tells where the call stopped.
    [[noreturn]] void raiseStopped(const QString &where);

private:
    QElapsedTimer sinceCheck;
    bool handlerRaised = false;
};

#endif
