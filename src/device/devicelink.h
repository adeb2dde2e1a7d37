// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_DEVICELINK_H
#define ZQ40613_DEVICELINK_H

#include "device/registertransfer.h"

#include <QObject>

class Controller;

// The link to the evaluation board: every register, pin and ADC access goes
// through here. It keeps the device handle and the connected flag. Every
// failed board call marks the board as not connected and is reported through
// callFailed(); what follows from a failure (polling off, another connection
// attempt 500 ms later) is the connection supervision's. Every register
// transfer and every pin it drives is announced here, and only here, to
// whoever shows or records them.
class DeviceLink : public QObject
{
    Q_OBJECT

public:
    explicit DeviceLink(Controller &controller, QObject *parent = nullptr);

    // Register transfers; a read returns 0..255 or -1, a write 1 or 0. The
    // caller says what the transfer is part of.
    int register_read(int address, Activity activity);
    int register_write(int address, int data, Activity activity);

    // The controller's number of a pin group that the panel numbers from 0.
    static int controllerGroup(int panelGroup);

    // Board pins in panel numbering (groups from 0).
    void pin_write(int group, int pin, int level);
    int pin_read(int group, int pin);

    // One ADC conversion scaled to volts, or exactly -1.0 on failure.
    double adc_read(int device, int channel, double reference, int bits, double coefficient);

    // Opens the board and applies the pin set-up. On success the board counts
    // as connected, without a board as not connected.
    bool openBoard();

    // Drive the two board pins that have no binding name of their own; the
    // library's results are deliberately not examined for these.
    void pulseHostController();
    void driveDevSleep(bool high);

    int handle() const { return deviceHandle; }
    bool isConnected() const { return connected; }

signals:
    // A board call has failed, once per failure. It is emitted inside the
    // failing call, before the call returns its failure value: connected with
    // Qt::DirectConnection, a receiver has done its part before the caller
    // carries on.
    void callFailed();

    // A register transfer was made, answered or not; emitted after
    // callFailed() for a failed one.
    void registerTransferred(const RegisterTransfer &transfer);

    // A level was driven onto a pin: a bound pin control, DEVSLP or the
    // HOST CONTROLLER pulse (not the pin set-up of an open).
    void pinDriven(const PinAction &action);

private:
    void reportFailure();
    void setPin(int group, int pin, int level);

    Controller &board;
    int deviceHandle = -1;
    bool connected = false;
};

#endif
