// SPDX-License-Identifier: GPL-3.0-or-later
#include "binding/controledits.h"

#include "binding/bindingname.h"
#include "binding/fieldcodec.h"
#include "common/trace.h"
#include "device/devicelink.h"

#include <QAbstractButton>
#include <QThread>

ControlEdits::ControlEdits(RegisterMirror &mirror, DeviceLink &link)
    : mirror(mirror), link(link)
{
}

void ControlEdits::write(int address)
{
    link.register_write(address, mirror.at(address), Activity::PanelEdit);
}

void ControlEdits::fieldChosen(const QString &comboName, int index)
{
    qCDebug(lcTrace, "on_combobox_currentIndexChanged()");
    qCDebug(lcTrace, "%s", qPrintable(comboName));
    const FieldBinding field = get_co_addr(comboName);
    if (!field.isBound())
        return;
    const unsigned value = FieldCodec::valueForIndex(field, index);

    qCDebug(lcTrace, "%d %d %d %d", field.lowBit, field.highBit, field.secondLowBit,
            field.secondHighBit);
    qCDebug(lcTrace, "0x%02x 0x%02x 0x%02x 0x%02x", field.address,
            FieldCodec::mask(field.highBit, field.lowBit), field.secondAddress,
            FieldCodec::mask(field.secondHighBit, field.secondLowBit));
    qCDebug(lcTrace, "index = %d", static_cast<int>(value));

    // The first register goes to the chip before the second one changes.
    FieldCodec::storeFirstPart(field, value, mirror);
    if (autoWriteFlag)
        write(field.address);
    qCDebug(lcTrace, "[0x%08x] = 0x%02x", field.address, mirror.at(field.address));

    if (field.secondAddress == -1)
        return;
    FieldCodec::storeSecondPart(field, value, mirror);
    if (autoWriteFlag)
        write(field.secondAddress);
    qCDebug(lcTrace, "[0x%08x] = 0x%02x", field.secondAddress, mirror.at(field.secondAddress));
}

void ControlEdits::registerEdited(int address, int value)
{
    qCDebug(lcTrace, "register edit [0x%02x] = 0x%02x", address, value);
    mirror.at(address) = static_cast<quint8>(value);
    if (autoWriteFlag)
        write(address);
}

void ControlEdits::buttonClicked(const QAbstractButton &button)
{
    const ButtonBinding b = get_cb_addr(button.objectName());
    if (b.kind == ButtonBinding::Bit)
        bitClicked(button, b.address, b.bit);
    else if (b.kind == ButtonBinding::Pin)
        pinClicked(button, b.group, b.pin, b.inverted);
}

void ControlEdits::bitClicked(const QAbstractButton &button, int address, int bit)
{
    quint8 &byte = mirror.at(address);
    const quint8 bitMask = static_cast<quint8>(1u << bit);
    if (button.isChecked()) {
        byte |= bitMask;
        qCDebug(lcTrace, "set bit %d at 0x%02x", bit, address);
    } else if (button.isCheckable()) {
        qCDebug(lcTrace, "clear bit %d at 0x%02x", bit, address);
        byte &= static_cast<quint8>(~bitMask);
    }
    // A push button pulses its bit: the chip gets the byte with the bit set
    // once, whatever the automatic-write flag says, and the mirror returns to
    // the bit clear.
    if (!button.isCheckable())
        byte |= bitMask;
    if (!autoWriteFlag && button.isCheckable())
        return;
    qCDebug(lcTrace, "command button");
    write(address);
    if (!button.isCheckable())
        byte &= static_cast<quint8>(~bitMask);
}

void ControlEdits::pinClicked(const QAbstractButton &button, int group, int pin, bool inverted)
{
    const int activeLevel = inverted ? 0 : 1;
    if (button.isCheckable()) {
        link.pin_write(group, pin, button.isChecked() ? activeLevel : 1 - activeLevel);
        return;
    }
    link.pin_write(group, pin, activeLevel);
    QThread::msleep(pinPulseMs);
    link.pin_write(group, pin, 1 - activeLevel);
}
