// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/panellogs.h"

#include "common/hexbyte.h"
#include "device/registertransfer.h"

#include <QTime>

namespace {

constexpr char timeFormat[] = "hh:mm:ss";

QString now()
{
    return QTime::currentTime().toString(QLatin1String(timeFormat));
}

void append(QTextBrowser *log, const QString &line)
{
    if (log)
        log->append(line);
}

} // namespace

PanelLogs::PanelLogs(QTextBrowser *registerLog, QTextBrowser *eventLog, QObject *parent)
    : QObject(parent), registerLog(registerLog), eventLog(eventLog)
{
}

QString PanelLogs::transferLine(const QTime &time, bool write, int address, int value)
{
    const QString text = write ? QStringLiteral(" : register write (%1h,%2h)")
                               : QStringLiteral(" : register read (%1h,%2h)");
    return time.toString(QLatin1String(timeFormat)) + text.arg(hexByte(address), hexByte(value));
}

void PanelLogs::logTransfer(const RegisterTransfer &transfer)
{
    if (goesToRegisterLog(transfer))
        append(registerLog, transferLine(QTime::currentTime(), transfer.write, transfer.address,
                                         transfer.data));
}

void PanelLogs::applicationStarted()
{
    const QString text = QStringLiteral(" : Application started.");
    append(registerLog, now() + text);
    append(eventLog, now() + text);
}
