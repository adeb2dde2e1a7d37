#ifndef ZQ40613_DEVICELINK_H
#define ZQ40613_DEVICELINK_H

#include <QObject>
#include <QTimer>

class Controller;

// The link to the evaluation board: every register, pin and ADC access goes
// through here. It keeps the device handle and the connected and polling
// flags, and applies one rule whenever a board call fails: mark the board as
// not connected, stop polling and retry the connection 500 ms after the latest
// failure. The reconnect and poll timers live here; whoever supervises the
// connection connects to their timeouts.
class DeviceLink : public QObject
{
    Q_OBJECT

public:
    static constexpr int reconnectIntervalMs = 500;
    static constexpr int pollIntervalMs = 1000;

    explicit DeviceLink(Controller &controller, QObject *parent = nullptr);

    // Register transfers; a read returns 0..255 or -1, a write 1 or 0.
    int register_read(int address);
    int register_write(int address, int data);

    // Board pins in panel numbering (groups from 0).
    void pin_write(int group, int pin, int level);
    int pin_read(int group, int pin);

    // One ADC conversion scaled to volts, or exactly -1.0 on failure.
    double adc_read(int device, int channel, double reference, int bits, double coefficient);

    // Opens the board and applies the pin set-up. On success the board counts
    // as connected; without a board the reconnect timer is started.
    bool openBoard();

    // Drive the two board pins that have no binding name of their own; the
    // library's results are deliberately not examined for these.
    void pulseHostController();
    void driveDevSleep(bool high);

    void setPolling(bool on);

    int handle() const { return deviceHandle; }
    bool isConnected() const { return connected; }
    bool isPolling() const { return polling; }

    QTimer &reconnectTimer() { return reconnect; }
    QTimer &pollTimer() { return poll; }
    Controller &controller() { return board; }

private:
    void applyNotConnectedPolicy();

    Controller &board;
    int deviceHandle = -1;
    bool connected = false;
    bool polling = false;
    QTimer reconnect;
    QTimer poll;
};

#endif
