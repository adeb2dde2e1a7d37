// SPDX-License-Identifier: GPL-3.0-or-later
#include "sweep/sweepcsv.h"

#include "binding/probecsv.h"
#include "common/hexbyte.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

constexpr int voltDecimals = 3;
constexpr int errorMvDecimals = 1;
constexpr int errorPercentDecimals = 2;
constexpr int tripDecimals = 2;
constexpr double mvPerVolt = 1000.0;
constexpr double percent = 100.0;

QString line(const QStringList &fields, QChar separator)
{
    return fields.join(separator) + QLatin1Char('\n');
}

QString tr(const char *text)
{
    return QCoreApplication::translate("SweepCsv", text);
}

} // namespace

QString fixedText(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0.0)
        text.remove(0, 1);
    return text;
}

QString sweepCsvHeader(const SweepField &field, QChar separator)
{
    QStringList fields{QStringLiteral("time"), QStringLiteral("set")};
    for (const PanelReadout &probe : panelProbes)
        fields << QLatin1String(probe.label);
    fields << hexText(probeStatusRegister);
    if (field.probe >= 0) {
        const QString probe = QLatin1String(panelProbes[field.probe].label);
        fields << probe + QLatin1String(" error mV") << probe + QLatin1String(" error %");
    }
    return line(fields, separator);
}

QString sweepCsvLine(const SweepField &field, const SweepRow &row, QChar separator)
{
    QStringList fields{csvTime(row.time), field.setText(row.index)};
    for (double volts : row.volts)
        fields << fixedText(volts, voltDecimals);
    fields << hexText(row.status);
    if (field.probe >= 0) {
        const std::optional<SweepError> error = sweepError(field, row);
        fields << (error ? fixedText(error->millivolts, errorMvDecimals) : QString())
               << (error ? fixedText(error->percent, errorPercentDecimals) : QString());
    }
    return line(fields, separator);
}

std::optional<SweepError> sweepError(const SweepField &field, const SweepRow &row)
{
    const std::optional<double> set = field.volts(row.index);
    if (field.probe < 0 || !set || *set == 0.0)
        return std::nullopt;
    const double difference = row.volts[std::size_t(field.probe)] - *set;
    return SweepError{difference * mvPerVolt, difference / *set * percent};
}

TripPoints tripPoints(const SweepField &field, const QList<SweepRow> &rows)
{
    TripPoints trips;
    if (field.statusBit < 0)
        return trips;
    for (int i = 1; i < rows.size(); ++i) {
        const std::optional<double> before = field.volts(rows.at(i - 1).index);
        const std::optional<double> now = field.volts(rows.at(i).index);
        const bool changed = bitOf(rows.at(i - 1).status, field.statusBit)
                             != bitOf(rows.at(i).status, field.statusBit);
        if (!changed || !before || !now || *now == *before)
            continue;
        std::optional<double> &trip = *now > *before ? trips.rising : trips.falling;
        if (!trip)
            trip = *now;
    }
    return trips;
}

QString tripText(const TripPoints &trips)
{
    QStringList parts;
    if (trips.rising)
        parts << tr("%1 V rising").arg(fixedText(*trips.rising, tripDecimals));
    if (trips.falling)
        parts << tr("%1 V falling").arg(fixedText(*trips.falling, tripDecimals));
    return parts.isEmpty() ? tr("no trip within the sweep")
                           : tr("trips at %1").arg(parts.join(QLatin1String(", ")));
}
