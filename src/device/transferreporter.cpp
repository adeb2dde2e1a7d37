// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/transferreporter.h"

#include "device/panellogs.h"
#include "device/statusfields.h"

TransferReporter::TransferReporter(StatusFields &status, PanelLogs &logs)
    : status(status), logs(logs)
{
}

void TransferReporter::reportWrite(int address, int data)
{
    status.write_statusbar(address, data, StatusFields::writeForm);
    logs.registerWrite(address, data);
}

void TransferReporter::reportRead(int address, int data)
{
    status.write_statusbar(address, data, StatusFields::readForm);
    logs.registerRead(address, data);
}
