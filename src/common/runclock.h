// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_RUNCLOCK_H
#define ZQ40613_RUNCLOCK_H

#include <QDateTime>
#include <QElapsedTimer>

// The time of day of the run, in milliseconds since the epoch: the wall
// clock as it read when the run began plus the monotonic time since. A step
// of the wall clock during the run (a time server setting it back) moves
// none of its readings, so samples stamped with it keep their real intervals
// and their order.
class RunClock
{
public:
    explicit RunClock(qint64 wallAtStart = QDateTime::currentMSecsSinceEpoch())
        : wallAtStart(wallAtStart)
    {
        sinceStart.start();
    }

    qint64 now() const { return wallAtStart + sinceStart.elapsed(); }
    // Milliseconds since the run began, by the monotonic clock alone.
    qint64 elapsed() const { return sinceStart.elapsed(); }

private:
    qint64 wallAtStart;
    QElapsedTimer sinceStart;
};

#endif
