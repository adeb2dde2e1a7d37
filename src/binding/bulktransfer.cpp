// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/bulktransfer.h"

#include "binding/bindingname.h"
#include "binding/displayrefresh.h"
#include "binding/panelcontrols.h"
#include "device/devicelink.h"

#include <QAbstractButton>
#include <QComboBox>

BulkTransfer::BulkTransfer(const PanelControls &controls, RegisterMirror &mirror, DeviceLink &link,
                           DisplayRefresh &refresh, QObject *parent)
    : QObject(parent), controls(controls), mirror(mirror), link(link), refresh(refresh)
{
}

void BulkTransfer::readAll()
{
    for (int address = 0; address < registerMirrorSize; ++address) {
        mirror[address] = static_cast<quint8>(link.register_read(address, Activity::ReadBack));
        // A failed read has stored 0xFF; the rest keep their old values.
        if (!link.isConnected())
            break;
    }
    refresh.update_display();
}

void BulkTransfer::writeAll()
{
    writeCheckBoxRegisters();
    writeComboBoxRegisters();
    emit writtenBack();
}

bool BulkTransfer::writeChecked(int address)
{
    link.register_write(address, mirror.at(address), Activity::WriteBack);
    return link.isConnected();
}

// One write of the whole register per bound check box: a register bound to
// several check boxes is written once for each of them.
void BulkTransfer::writeCheckBoxRegisters()
{
    for (const QAbstractButton *button : controls.buttons) {
        const ButtonBinding b = get_cb_addr(button->objectName());
        if (b.kind == ButtonBinding::Bit && !writeChecked(b.address))
            return;
    }
}

void BulkTransfer::writeComboBoxRegisters()
{
    for (const QComboBox *combo : controls.comboBoxes) {
        const FieldBinding field = get_co_addr(combo->objectName());
        if (!field.isBound())
            continue;
        if (!writeChecked(field.address))
            return;
        // The second register's write is not checked; a failure there shows
        // at the next first write.
        if (field.secondAddress != -1)
            link.register_write(field.secondAddress, mirror.at(field.secondAddress),
                                Activity::WriteBackUnchecked);
    }
}
