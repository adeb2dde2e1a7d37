// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_BULKTRANSFER_H
#define ZQ40613_BULKTRANSFER_H

#include "common/registermirror.h"

class DeviceLink;
class DisplayRefresh;
class PanelLogs;
class StatusFields;
struct PanelControls;

// Moves many registers at once: "Update" reads registers 0x00 to 0x0F into
// the mirror, "Write regs" writes every register a bound check box or combo
// box stands for, from the mirror.
class BulkTransfer
{
public:
    BulkTransfer(const PanelControls &controls, RegisterMirror &mirror, DeviceLink &link,
                 PanelLogs &logs, StatusFields &status, DisplayRefresh &refresh);

    void readAll();
    void writeAll();

private:
    bool writeAndLog(int address);
    void writeCheckBoxRegisters();
    void writeComboBoxRegisters();

    const PanelControls &controls;
    RegisterMirror &mirror;
    DeviceLink &link;
    PanelLogs &logs;
    StatusFields &status;
    DisplayRefresh &refresh;
};

#endif
