// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/devicelink.h"

#include "common/chip.h"
#include "common/trace.h"
#include "device/controller.h"

#include <QThread>

#include <cmath>

namespace {

// The controller counts pin groups from 1, the panel from 0.
constexpr int controllerGroupOffset = 1;

constexpr int byteMask = 0xff;

// How long the pin slots hold or settle a level.
constexpr unsigned long pinSettleMs = 50;

} // namespace

DeviceLink::DeviceLink(Controller &controller, QObject *parent)
    : QObject(parent), board(controller)
{
}

int DeviceLink::controllerGroup(int panelGroup)
{
    return (panelGroup + controllerGroupOffset) & byteMask;
}

void DeviceLink::reportFailure()
{
    connected = false;
    emit callFailed();
}

int DeviceLink::register_read(int address, Activity activity)
{
    address &= byteMask;
    qCDebug(lcTrace, "register read(), address = 0x%02x", address);
    const int value = board.spi_read(deviceHandle, address, 0);
    const bool ok = value != -1;
    if (ok)
        connected = true;
    else
        reportFailure();
    emit registerTransferred({activity, false, address, value & byteMask, ok});
    return ok ? value : -1;
}

int DeviceLink::register_write(int address, int data, Activity activity)
{
    address &= byteMask;
    data &= byteMask;
    qCDebug(lcTrace, "register write(), address = 0x%02x,data = 0x%02x", address, data);
    const bool ok = board.spi_write(deviceHandle, address, data, 0) != 0;
    if (ok) {
        connected = true;
    } else {
        qCDebug(lcTrace, "write failed.");
        reportFailure();
    }
    emit registerTransferred({activity, true, address, data, ok});
    return ok ? 1 : 0;
}

void DeviceLink::pin_write(int group, int pin, int level)
{
    qCDebug(lcTrace, "set pin %d.%d to %d", group, pin, level);
    const int boardGroup = controllerGroup(group);
    pin &= byteMask;
    if (board.set_pin(deviceHandle, boardGroup, pin, level, 0) == 0)
        reportFailure();
    emit pinDriven({boardGroup, pin, level});
}

int DeviceLink::pin_read(int group, int pin)
{
    const int level =
            board.read_pin(deviceHandle, controllerGroup(group), pin & byteMask, 0);
    qCDebug(lcTrace, "read pin %d.%d = %d", group, pin, level);
    if (level == -1)
        reportFailure();
    return level;
}

double DeviceLink::adc_read(int device, int channel, double reference, int bits, double coefficient)
{
    qCDebug(lcTrace, "read ADC, dev %d, channel %d, vref = %f, coeff = %f, %d bits", device, channel,
            reference, coefficient, bits);
    // The first conversion is thrown away; only the second one counts.
    board.measure(deviceHandle, channel, device, 0);
    const int raw = board.measure(deviceHandle, channel, device, 0);
    const long double fullScale = std::ldexp(1.0L, bits & 31);
    const double volts = static_cast<double>(static_cast<long double>(coefficient) * reference * raw
                                             / fullScale);
    qCDebug(lcTrace, "val = %d (%2.2f V)", raw, volts);
    if (raw == -1) {
        reportFailure();
        return -1.0;
    }
    return volts;
}

bool DeviceLink::openBoard()
{
    deviceHandle = board.usb_hid_init();
    if (deviceHandle == -1) {
        connected = false;
        return false;
    }
    board.init_controller(deviceHandle);
    for (const PinDirection &p : pinSetup)
        board.set_pin_dir(deviceHandle, p.pin.group, p.pin.pin, p.direction, 0);
    board.set_pin(deviceHandle, lowAfterSetup.group, lowAfterSetup.pin, 0, 0);
    connected = true;
    return true;
}

// The library's answer is not looked at, nor does a failure count against
// the link: these two pins are driven blind.
void DeviceLink::setPin(int group, int pin, int level)
{
    board.set_pin(deviceHandle, group, pin, level, 0);
    emit pinDriven({group, pin, level});
}

void DeviceLink::pulseHostController()
{
    setPin(hostControllerPin.group, hostControllerPin.pin, 1);
    QThread::msleep(pinSettleMs);
    setPin(hostControllerPin.group, hostControllerPin.pin, 0);
}

void DeviceLink::driveDevSleep(bool high)
{
    setPin(devSleepPin.group, devSleepPin.pin, high ? 1 : 0);
    if (high)
        QThread::msleep(pinSettleMs);
}
