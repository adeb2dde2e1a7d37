// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PYTHON_BOARDHANDLE_H
#define ZQ40613_PYTHON_BOARDHANDLE_H

#include "device/devicelink.h"
#include "device/hid2library.h"
#include "session/boardsession.h"
#include "session/probewatch.h"

#include "pybind.h"

#include <memory>
#include <mutex>
#include <utility>

// The board behind a zq40613.Board: the controller library found as
// zq40613-reg finds it (the module's own folder first, then the library
// search path), the device link and the session over it, opened once.
// Every call runs with the interpreter's lock released, so other Python
// threads go on meanwhile, and one call at a time reaches the board.
class BoardHandle
{
public:
    // Opens the board; NoBoardError when none answers.
    BoardHandle();

    void close() { closed = true; }
    bool isClosed() const { return closed; }
    QString libraryName() const { return library.fileName(); }

    // Runs work(session) on the board with the interpreter's lock released
    // and returns its result; ValueError once the board is closed.
    template <typename Work>
    auto run(Work &&work)
    {
        checkOpen();
        pybind11::gil_scoped_release release;
        std::lock_guard<std::mutex> lock(oneCall);
        return std::forward<Work>(work)(session);
    }

    // The same for work whose result is false or empty when the board did
    // not answer: BoardError then, with the session's reason.
    template <typename Work>
    auto runOrRaise(Work &&work)
    {
        auto result = run(std::forward<Work>(work));
        if (!result)
            failed();
        return result;
    }

    // The same as run(), handing work the held lock too, so that it may let go of
    // the board while it waits.
    template <typename Work>
    auto runUnlockable(Work &&work)
    {
        checkOpen();
        pybind11::gil_scoped_release release;
        std::unique_lock<std::mutex> lock(oneCall);
        return std::forward<Work>(work)(session, lock);
    }

    // A probe watch over the board, its schedule starting now; it reaches
    // the board only within run calls.
    std::unique_ptr<ProbeWatch> watch(int intervalMs, bool keepGoing)
    {
        checkOpen();
        return std::make_unique<ProbeWatch>(session, intervalMs, keepGoing);
    }

    // Why the session's last call failed.
    QString lastError() const { return session.error(); }
    // Raises BoardError with it.
    [[noreturn]] void failed() const;

private:
    void checkOpen() const;

    Hid2Library library;
    DeviceLink link;
    BoardSession session;
    std::mutex oneCall;
    bool closed = false;
};

#endif
