// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/interruptiblesleep.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

namespace {

// How soon a sleep notices an interrupt. The system may resume a sleep
// that a signal cut short, so it is taken in slices this long.
constexpr qint64 checkIntervalMs = 10;

} // namespace

bool sleepUnlessInterrupted(int milliseconds, const std::function<bool()> &interrupted)
{
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    for (qint64 left = deadline.remainingTime(); left > 0; left = deadline.remainingTime()) {
        if (interrupted())
            return false;
        QThread::msleep(static_cast<unsigned long>(std::min(left, checkIntervalMs)));
    }
    return !interrupted();
}
