#include "fakecontroller.h"

QString FakeController::Call::text() const
{
    QStringList parts;
    for (int a : args)
        parts << QString::number(a);
    return name + QLatin1Char('(') + parts.join(QLatin1Char(',')) + QLatin1Char(')');
}

QStringList FakeController::callTexts() const
{
    QStringList texts;
    for (const Call &c : calls)
        texts << c.text();
    return texts;
}

QVector<FakeController::Call> FakeController::callsNamed(const QString &name) const
{
    QVector<Call> found;
    for (const Call &c : calls)
        if (c.name == name)
            found << c;
    return found;
}

bool FakeController::record(const char *name, QVector<int> args, int handle)
{
    calls.append({QString::fromLatin1(name), std::move(args)});
    const bool scripted =
            static_cast<int>(calls.size()) == failAt || (failWhen && failWhen(calls.last()));
    return scripted || !present || handle != boardHandle;
}

int FakeController::usb_hid_init()
{
    // The handle check passes trivially: only absence or a script fails it.
    return record("usb_hid_init", {}, boardHandle) ? -1 : boardHandle;
}

int FakeController::init_controller(int handle)
{
    return record("init_controller", {handle}, handle) ? 0 : 1;
}

int FakeController::set_pin_dir(int handle, int group, int pin, int direction, int reserved)
{
    return record("set_pin_dir", {handle, group, pin, direction, reserved}, handle) ? 0 : 1;
}

int FakeController::set_pin(int handle, int group, int pin, int level, int reserved)
{
    if (record("set_pin", {handle, group, pin, level, reserved}, handle))
        return 0;
    pinLevels[{group, pin}] = level;
    return 1;
}

int FakeController::read_pin(int handle, int group, int pin, int reserved)
{
    if (record("read_pin", {handle, group, pin, reserved}, handle))
        return -1;
    return pinLevels.value({group, pin}, 0);
}

int FakeController::spi_read(int handle, int address, int reserved)
{
    if (record("spi_read", {handle, address, reserved}, handle))
        return -1;
    return registers.at(static_cast<size_t>(address) & 0xff);
}

int FakeController::spi_write(int handle, int address, int data, int reserved)
{
    if (record("spi_write", {handle, address, data, reserved}, handle))
        return 0;
    registers.at(static_cast<size_t>(address) & 0xff) = data;
    return 1;
}

int FakeController::measure(int handle, int channel, int device, int reserved)
{
    return record("measure", {handle, channel, device, reserved}, handle) ? -1 : adcCount;
}
