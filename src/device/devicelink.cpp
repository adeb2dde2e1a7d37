// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/devicelink.h"

#include "common/trace.h"
#include "device/controller.h"

#include <QThread>

#include <cmath>

namespace {

// The controller counts pin groups from 1, the panel from 0.
constexpr int controllerGroupOffset = 1;

constexpr int byteMask = 0xff;
constexpr int outputDirection = 1;
constexpr int inputDirection = 0;

struct PinDirection
{
    int group; // controller numbering
    int pin;
    int direction;
};

// Directions applied after every successful open. Pin 3.2 is made an input
// twice; the board has always been set up this way.
constexpr PinDirection pinSetup[] = {
    {1, 0, outputDirection}, {1, 1, inputDirection},  {1, 2, outputDirection},
    {2, 1, outputDirection}, {3, 1, outputDirection}, {3, 2, inputDirection},
    {3, 3, outputDirection}, {3, 4, outputDirection}, {1, 3, inputDirection},
    {2, 3, inputDirection},  {3, 6, outputDirection}, {3, 2, inputDirection},
};

// Controller pin 2.3 is driven low right after the set-up.
constexpr int lowAfterSetupGroup = 2;
constexpr int lowAfterSetupPin = 3;

// Board pins with slots of their own, in controller numbering.
constexpr int devSleepGroup = 3;
constexpr int devSleepPin = 1;
constexpr int hostControllerGroup = 3;
constexpr int hostControllerPin = 6;

// How long the pin slots hold or settle a level.
constexpr unsigned long pinSettleMs = 50;

} // namespace

DeviceLink::DeviceLink(Controller &controller, QObject *parent)
    : QObject(parent), board(controller)
{
}

void DeviceLink::reportFailure()
{
    connected = false;
    emit callFailed();
}

int DeviceLink::register_read(int address)
{
    qCDebug(lcTrace, "register read(), address = 0x%02x", address & byteMask);
    const int value = board.spi_read(deviceHandle, address & byteMask, 0);
    if (value == -1) {
        reportFailure();
        return -1;
    }
    connected = true;
    return value;
}

int DeviceLink::register_write(int address, int data)
{
    qCDebug(lcTrace, "register write(), address = 0x%02x,data = 0x%02x", address & byteMask,
            data & byteMask);
    if (board.spi_write(deviceHandle, address & byteMask, data & byteMask, 0) == 0) {
        qCDebug(lcTrace, "write failed.");
        reportFailure();
        return 0;
    }
    connected = true;
    return 1;
}

void DeviceLink::pin_write(int group, int pin, int level)
{
    qCDebug(lcTrace, "set pin %d.%d to %d", group, pin, level);
    if (board.set_pin(deviceHandle, (group + controllerGroupOffset) & byteMask, pin & byteMask,
                      level, 0)
        == 0)
        reportFailure();
}

int DeviceLink::pin_read(int group, int pin)
{
    const int level =
            board.read_pin(deviceHandle, (group + controllerGroupOffset) & byteMask, pin & byteMask, 0);
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
        board.set_pin_dir(deviceHandle, p.group, p.pin, p.direction, 0);
    board.set_pin(deviceHandle, lowAfterSetupGroup, lowAfterSetupPin, 0, 0);
    connected = true;
    return true;
}

void DeviceLink::pulseHostController()
{
    board.set_pin(deviceHandle, hostControllerGroup, hostControllerPin, 1, 0);
    QThread::msleep(pinSettleMs);
    board.set_pin(deviceHandle, hostControllerGroup, hostControllerPin, 0, 0);
}

void DeviceLink::driveDevSleep(bool high)
{
    board.set_pin(deviceHandle, devSleepGroup, devSleepPin, high ? 1 : 0, 0);
    if (high)
        QThread::msleep(pinSettleMs);
}
