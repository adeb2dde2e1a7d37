// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_TIMETICKS_H
#define ZQ40613_TIMETICKS_H

#include <QList>
#include <QString>

// The ticks of a time axis: every step milliseconds, on round times of the
// local clock (every 10 s on :00, :10, ...; every hour on the hour), so that
// they stay on them while the view moves on.
struct TimeTicks
{
    qint64 step = 0;
    QList<qint64> times; // ms since the epoch, from..to
};

// The finest round step that puts at most maxTicks ticks between from and
// to, on round times of a clock utcOffsetMs ahead of UTC.
TimeTicks timeTicks(qint64 from, qint64 to, int maxTicks, qint64 utcOffsetMs);

// How far the local clock is ahead of UTC at that time, in milliseconds.
qint64 utcOffsetAt(qint64 time);

// A tick's label: "hh:mm:ss" for steps under a minute, else "hh:mm".
QString timeTickLabel(qint64 time, qint64 step);

#endif
