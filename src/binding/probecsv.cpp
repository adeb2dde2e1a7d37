// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/probecsv.h"

#include "binding/probesample.h"
#include "common/hexbyte.h"

#include <QDateTime>
#include <QStringList>

#include <cmath>

namespace {

QString hexRegister(int value)
{
    return QStringLiteral("0x") + hexByte(value);
}

QString csvLine(const QStringList &fields)
{
    return fields.join(QLatin1Char(',')) + QLatin1Char('\n');
}

} // namespace

QString probeCsvHeader()
{
    QStringList fields{QStringLiteral("time")};
    for (const PanelReadout &probe : panelProbes)
        fields << QLatin1String(probe.label);
    fields << hexRegister(probeStatusRegister);
    return csvLine(fields);
}

QString probeCsvLine(const ProbeSample &sample)
{
    QStringList fields{QDateTime::fromMSecsSinceEpoch(sample.time).toString(Qt::ISODateWithMs)};
    for (double volts : sample.volts)
        fields << (std::isnan(volts) ? QString() : probeText(volts));
    fields << hexRegister(sample.status);
    return csvLine(fields);
}
