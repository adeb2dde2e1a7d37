// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/limitwatch.h"

#include "binding/panelreadouts.h"

#include <QDateTime>

#include <cmath>

QString LimitEvent::text() const
{
    const QString time = QDateTime::fromMSecsSinceEpoch(this->time).toString(QStringLiteral("hh:mm:ss"));
    const QLatin1String name(panelProbes[probe].label);
    if (kind == Back)
        return QStringLiteral("%1 %2 back within limits").arg(time, name);
    return QStringLiteral("%1 %2 %3 V %4 %5 V")
            .arg(time, name, probeText(volts),
                 kind == Below ? QStringLiteral("below") : QStringLiteral("above"), probeText(limit));
}

QList<LimitEvent> LimitWatch::check(const ProbeSample &sample)
{
    QList<LimitEvent> events;
    for (int p = 0; p < probeCount; ++p) {
        const double volts = sample.volts[std::size_t(p)];
        const ProbeLimit &limit = current[std::size_t(p)];
        const bool unwatched = std::isnan(limit.low) && std::isnan(limit.high);
        if (std::isnan(volts) || (unwatched && state[std::size_t(p)] == LimitEvent::Back))
            continue;
        const double shown = probeText(volts).toDouble();
        LimitEvent event{sample.time, p, LimitEvent::Back, volts, 0.0};
        if (shown < limit.low) {
            event.kind = LimitEvent::Below;
            event.limit = limit.low;
        } else if (shown > limit.high) {
            event.kind = LimitEvent::Above;
            event.limit = limit.high;
        }
        if (event.kind == state[std::size_t(p)])
            continue;
        state[std::size_t(p)] = event.kind;
        events << event;
        kept.push_back(event);
        if (kept.size() > std::size_t(maxEvents))
            kept.pop_front();
    }
    return events;
}
