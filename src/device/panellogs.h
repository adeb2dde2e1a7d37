// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PANELLOGS_H
#define ZQ40613_PANELLOGS_H

#include <QObject>
#include <QPointer>
#include <QTextBrowser>

class QTime;
struct RegisterTransfer;

// The register log and the event log of the panel. Either may be missing
// from a re-mapped panel; lines for a missing log are dropped.
class PanelLogs : public QObject
{
    Q_OBJECT

public:
    PanelLogs(QTextBrowser *registerLog, QTextBrowser *eventLog, QObject *parent = nullptr);

    // Lists a transfer in the register log if it is one the log keeps.
    void logTransfer(const RegisterTransfer &transfer);
    void applicationStarted();

    // The one line format of a logged transfer, e.g.
    // "09:15:02 : register read (07h,3ch)".
    static QString transferLine(const QTime &time, bool write, int address, int value);

private:
    QPointer<QTextBrowser> registerLog;
    QPointer<QTextBrowser> eventLog;
};

#endif
