// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_BULKTRANSFER_H
#define ZQ40613_BULKTRANSFER_H

#include "common/registermirror.h"

#include <QObject>

class DeviceLink;
class DisplayRefresh;
struct PanelControls;

// Moves many registers at once: "Update" reads registers 0x00 to 0x0F into
// the mirror and refreshes the panel, "Write regs" writes every register a
// bound check box or combo box stands for, from the mirror.
class BulkTransfer : public QObject
{
    Q_OBJECT

public:
    BulkTransfer(const PanelControls &controls, RegisterMirror &mirror, DeviceLink &link,
                 DisplayRefresh &refresh, QObject *parent = nullptr);

    void readAll();
    void writeAll();

signals:
    // Write regs has ended, all written or stopped at a failure.
    void writtenBack();

private:
    bool writeChecked(int address);
    void writeCheckBoxRegisters();
    void writeComboBoxRegisters();

    const PanelControls &controls;
    RegisterMirror &mirror;
    DeviceLink &link;
    DisplayRefresh &refresh;
};

#endif
