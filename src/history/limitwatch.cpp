// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/limitwatch.h"

#include "binding/panelreadouts.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cmath>

namespace {

// Digits with at most one separator and two decimals after it.
const QRegularExpression plainVolts(QStringLiteral("^([0-9]+([.,][0-9]{0,2})?|[.,][0-9]{1,2})$"));

} // namespace

QString LimitEvent::text() const
{
    return textAfter(QDateTime::fromMSecsSinceEpoch(time).toString(QStringLiteral("hh:mm:ss")));
}

QString LimitEvent::savedText() const
{
    return textAfter(QDateTime::fromMSecsSinceEpoch(time).toString(Qt::ISODateWithMs));
}

QString LimitEvent::textAfter(const QString &time) const
{
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

std::optional<double> limitFromText(const QString &text, double highest)
{
    if (text.isEmpty())
        return noReading;
    if (!plainVolts.match(text).hasMatch())
        return std::nullopt;
    QString plain = text;
    const double volts = plain.replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    if (volts > highest)
        return std::nullopt;
    return volts;
}
