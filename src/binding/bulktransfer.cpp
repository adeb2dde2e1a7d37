// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/bulktransfer.h"

#include "binding/bindingname.h"
#include "binding/displayrefresh.h"
#include "binding/panelcontrols.h"
#include "device/devicelink.h"
#include "device/panellogs.h"
#include "device/statusfields.h"

#include <QAbstractButton>
#include <QComboBox>

BulkTransfer::BulkTransfer(const PanelControls &controls, RegisterMirror &mirror, DeviceLink &link,
                           PanelLogs &logs, StatusFields &status, DisplayRefresh &refresh)
    : controls(controls), mirror(mirror), link(link), logs(logs), status(status), refresh(refresh)
{
}

void BulkTransfer::readAll()
{
    for (int address = 0; address < registerMirrorSize; ++address) {
        mirror[address] = static_cast<quint8>(link.register_read(address));
        // A failed read has stored 0xFF; the rest keep their old values.
        if (!link.isConnected())
            break;
        logs.registerRead(address, mirror[address]);
    }
    refresh.update_display();
    status.showLinkState();
}

void BulkTransfer::writeAll()
{
    writeCheckBoxRegisters();
    writeComboBoxRegisters();
    status.showLinkState();
}

bool BulkTransfer::writeAndLog(int address)
{
    link.register_write(address, mirror.at(address));
    if (!link.isConnected())
        return false;
    logs.registerWrite(address, mirror.at(address));
    return true;
}

// One write of the whole register per bound check box: a register bound to
// several check boxes is written once for each of them.
void BulkTransfer::writeCheckBoxRegisters()
{
    for (const QAbstractButton *button : controls.buttons) {
        const ButtonBinding b = get_cb_addr(button->objectName());
        if (b.kind == ButtonBinding::Bit && !writeAndLog(b.address))
            return;
    }
}

void BulkTransfer::writeComboBoxRegisters()
{
    for (const QComboBox *combo : controls.comboBoxes) {
        const FieldBinding field = get_co_addr(combo->objectName());
        if (!field.isBound())
            continue;
        if (!writeAndLog(field.address))
            return;
        // The second register's write is not checked; a failure there shows
        // at the next first write.
        if (field.secondAddress != -1) {
            link.register_write(field.secondAddress, mirror.at(field.secondAddress));
            logs.registerWrite(field.secondAddress, mirror.at(field.secondAddress));
        }
    }
}
