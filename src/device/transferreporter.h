// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_TRANSFERREPORTER_H
#define ZQ40613_TRANSFERREPORTER_H

class PanelLogs;
class StatusFields;

// Reports a single register transfer the way the user sees every one: in the
// status bar's transfer field and as a line of the register log.
class TransferReporter
{
public:
    TransferReporter(StatusFields &status, PanelLogs &logs);

    void reportWrite(int address, int data);
    void reportRead(int address, int data);

private:
    StatusFields &status;
    PanelLogs &logs;
};

#endif
