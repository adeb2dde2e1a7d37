// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_LIMITWATCH_H
#define ZQ40613_LIMITWATCH_H

#include "binding/probesample.h"

#include <QList>
#include <QString>

#include <array>
#include <deque>
#include <optional>

// A probe's limits in volts; noReading where there is none.
struct ProbeLimit
{
    double low = noReading;
    double high = noReading;
};
using ProbeLimits = std::array<ProbeLimit, probeCount>;

// A probe's reading went outside one of its limits, or came back.
struct LimitEvent
{
    enum Kind { Back, Below, Above };

    qint64 time = 0;
    int probe = 0;
    Kind kind = Back;
    double volts = 0.0;
    double limit = 0.0;

    bool leavesLimits() const { return kind != Back; }
    // "14:03:05 BATT 2.98 V below 3.00 V", "14:03:09 BATT back within limits"
    QString text() const;
    // The same with the date, as the probe CSV files give the time, for a
    // file still read days later: "2024-03-05T14:03:05.000 BATT ...".
    QString savedText() const;

private:
    QString textAfter(const QString &time) const;
};

// A limit as typed: a plain decimal number, with a point or a comma and at
// most two decimals, from 0 to highest volts; empty text is no limit
// (noReading). Anything else is refused: no value at all.
std::optional<double> limitFromText(const QString &text, double highest);

// Watches the samples against the limits and keeps the events they give,
// the newest maxEvents of them. A reading is compared as the panel shows
// it, to two decimals, so that a value shown as 3.00 V is never reported as
// below a limit of 3.00 V. A probe's state starts within its limits and
// carries over gaps; a failed conversion leaves it as it is.
class LimitWatch
{
public:
    static constexpr int maxEvents = 10'000;

    const ProbeLimits &limits() const { return current; }
    void setLimits(const ProbeLimits &limits) { current = limits; }

    // The events this sample gives, in probe order; they are kept as well.
    QList<LimitEvent> check(const ProbeSample &sample);

    const std::deque<LimitEvent> &events() const { return kept; }
    void clearEvents() { kept.clear(); }

private:
    ProbeLimits current;
    std::array<LimitEvent::Kind, probeCount> state{}; // Back: within the limits
    std::deque<LimitEvent> kept;
};

#endif
