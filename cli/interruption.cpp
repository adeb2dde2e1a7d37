// SPDX-License-Identifier: GPL-3.0-or-later
#include "interruption.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>
#include <csignal>

namespace {

// All that a signal handler may touch.
volatile std::sig_atomic_t interrupted = 0;

void noteInterrupt(int)
{
    interrupted = 1;
}

// How soon a sleep notices an interrupt. The system may resume a sleep
// that a signal cut short, so it is taken in slices this long.
constexpr qint64 checkIntervalMs = 10;

} // namespace

InterruptCatcher::InterruptCatcher()
{
    interrupted = 0;
    previousHandler = std::signal(SIGINT, noteInterrupt);
}

InterruptCatcher::~InterruptCatcher()
{
    std::signal(SIGINT, previousHandler == SIG_ERR ? SIG_DFL : previousHandler);
}

bool InterruptCatcher::caught() const
{
    return interrupted != 0;
}

void InterruptCatcher::sleep(int milliseconds) const
{
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    for (qint64 left = deadline.remainingTime(); !caught() && left > 0;
         left = deadline.remainingTime())
        QThread::msleep(static_cast<unsigned long>(std::min(left, checkIntervalMs)));
}
