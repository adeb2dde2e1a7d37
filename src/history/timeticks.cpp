// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/timeticks.h"

#include <QDateTime>

#include <algorithm>
#include <iterator>

namespace {

constexpr qint64 second = 1000;
constexpr qint64 minute = 60 * second;
constexpr qint64 hour = 60 * minute;
constexpr qint64 day = 24 * hour;
constexpr qint64 roundSteps[] = {
    second,      2 * second,  5 * second,  10 * second, 15 * second, 30 * second,
    minute,      2 * minute,  5 * minute,  10 * minute, 15 * minute, 30 * minute,
    hour,        2 * hour,    3 * hour,    6 * hour,    12 * hour,   day,
};

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

} // namespace

TimeTicks timeTicks(qint64 from, qint64 to, int maxTicks, qint64 utcOffsetMs)
{
    TimeTicks ticks;
    const qint64 span = std::max<qint64>(to - from, 1);
    const auto fits = std::find_if(std::begin(roundSteps), std::end(roundSteps),
                                   [&](qint64 step) { return span / step < std::max(maxTicks, 1); });
    ticks.step = fits != std::end(roundSteps) ? *fits
                                              : (span / std::max(maxTicks, 1) / day + 1) * day;
    for (qint64 t = (floorDiv(from + utcOffsetMs - 1, ticks.step) + 1) * ticks.step - utcOffsetMs;
         t <= to; t += ticks.step)
        ticks.times << t;
    return ticks;
}

qint64 utcOffsetAt(qint64 time)
{
    return QDateTime::fromMSecsSinceEpoch(time).offsetFromUtc() * second;
}

QString timeTickLabel(qint64 time, qint64 step)
{
    return QDateTime::fromMSecsSinceEpoch(time).toString(
            step < minute ? QStringLiteral("hh:mm:ss") : QStringLiteral("hh:mm"));
}
