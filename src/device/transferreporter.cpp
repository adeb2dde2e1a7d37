#include "device/transferreporter.h"

#include "device/panellogs.h"
#include "device/statusfields.h"

namespace {

constexpr int writeForm = 1;
constexpr int readForm = 0;

} // namespace

TransferReporter::TransferReporter(StatusFields &status, PanelLogs &logs)
    : status(status), logs(logs)
{
}

void TransferReporter::reportWrite(int address, int data)
{
    status.write_statusbar(address, data, writeForm);
    logs.registerWrite(address, data);
}

void TransferReporter::reportRead(int address, int data)
{
    status.write_statusbar(address, data, readForm);
    logs.registerRead(address, data);
}
