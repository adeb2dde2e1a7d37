// SPDX-License-Identifier: GPL-3.0-or-later
#include "interruption.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>
#include <atomic>

namespace {

// All that the handler touches. Set from a signal handler or, on Windows,
// from the thread the system runs the handler on.
std::atomic<bool> interrupted {false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only touch lock-free atomics");

// How soon a sleep notices an interrupt. The system may resume a sleep
// that a signal cut short, so it is taken in slices this long.
constexpr qint64 checkIntervalMs = 10;

} // namespace

InterruptCatcher::InterruptCatcher()
{
    interrupted = false;
    catchInterrupts();
}

InterruptCatcher::~InterruptCatcher()
{
    releaseInterrupts();
}

void InterruptCatcher::noteInterrupt()
{
    interrupted = true;
}

bool InterruptCatcher::caught() const
{
    return interrupted;
}

void InterruptCatcher::sleep(int milliseconds) const
{
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    for (qint64 left = deadline.remainingTime(); !caught() && left > 0;
         left = deadline.remainingTime())
        QThread::msleep(static_cast<unsigned long>(std::min(left, checkIntervalMs)));
}
