#ifndef ZQ40613_FAKECONTROLLER_H
#define ZQ40613_FAKECONTROLLER_H

#include "device/controller.h"

#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <functional>

// A recording stand-in for the controller library. It behaves like a simple
// board (registers as memory, pins that read back what was set, a fixed ADC
// count) and logs every call with its arguments, so tests can check exact
// call sequences. Failures are scripted: the board can be absent, or chosen
// calls can fail with the library's failure value.
class FakeController : public Controller
{
public:
    struct Call
    {
        QString name;
        QVector<int> args;
        QString text() const; // e.g. "spi_write(7,10,95,0)"
    };

    static constexpr int boardHandle = 7;

    // Scripted board.
    bool present = true;
    std::array<int, 256> registers{};
    QMap<QPair<int, int>, int> pinLevels; // controller group.pin -> level
    int adcCount = 512;

    // Makes the n-th call from now on (1-based, counting every call) fail.
    void failCall(int n) { failAt = static_cast<int>(calls.size()) + n; }
    // Makes every call for which the predicate holds fail.
    std::function<bool(const Call &)> failWhen;
    // The board answers again: no scripted failure is left pending.
    void clearFailures()
    {
        failAt = -1;
        failWhen = nullptr;
    }

    QVector<Call> calls;
    QStringList callTexts() const;
    QVector<Call> callsNamed(const QString &name) const;
    void clearCalls() { calls.clear(); }

    int usb_hid_init() override;
    int init_controller(int handle) override;
    int set_pin_dir(int handle, int group, int pin, int direction, int reserved) override;
    int set_pin(int handle, int group, int pin, int level, int reserved) override;
    int read_pin(int handle, int group, int pin, int reserved) override;
    int spi_read(int handle, int address, int reserved) override;
    int spi_write(int handle, int address, int data, int reserved) override;
    int measure(int handle, int channel, int device, int reserved) override;

private:
    // Records the call; true when it is to fail.
    bool record(const char *name, QVector<int> args, int handle);

    int failAt = -1;
};

#endif
