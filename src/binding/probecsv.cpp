// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/probecsv.h"

#include "binding/probesample.h"
#include "common/hexbyte.h"

#include <QDateTime>
#include <QStringList>

#include <cmath>

namespace {

QString csvLine(const QStringList &fields)
{
    return fields.join(QLatin1Char(',')) + QLatin1Char('\n');
}

} // namespace

QString csvTime(qint64 time)
{
    return QDateTime::fromMSecsSinceEpoch(time).toString(Qt::ISODateWithMs);
}

QString probeCsvHeader()
{
    QStringList fields{QStringLiteral("time")};
    for (const PanelReadout &probe : panelProbes)
        fields << QLatin1String(probe.label);
    fields << hexText(probeStatusRegister);
    return csvLine(fields);
}

QString probeCsvLine(const ProbeSample &sample)
{
    QStringList fields{csvTime(sample.time)};
    for (double volts : sample.volts)
        fields << (std::isnan(volts) ? QString() : probeText(volts));
    fields << hexText(sample.status);
    return csvLine(fields);
}

QString probeCsvGapLine(qint64 time)
{
    QStringList fields{csvTime(time)};
    // Each probe's field and the status register's.
    for (int field = 0; field < probeCount + 1; ++field)
        fields << QString();
    return csvLine(fields);
}
