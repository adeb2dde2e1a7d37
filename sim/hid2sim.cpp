// SPDX-License-Identifier: GPL-3.0-or-later
// The controller library's C interface and the simulator's controls, over one
// board shared by every caller on the machine (see sharedstate.h).

#include "hid2sim.h"
#include "userboard.h"

#include "hid2.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

constexpr char latencyVariable[] = "ZQ40613_SIM_LATENCY_US";

std::chrono::microseconds readLatency()
{
    const char *text = std::getenv(latencyVariable);
    const long micros = text ? std::strtol(text, nullptr, 10) : 0;
    return std::chrono::microseconds(micros > 0 ? micros : 0);
}

// Imitates the USB round trip of a real controller when the environment asks
// for it. The wait happens before the lock so that callers on other threads
// are not held up by it.
void waitLikeUsb()
{
    static const std::chrono::microseconds latency = readLatency();
    if (latency.count() > 0)
        std::this_thread::sleep_for(latency);
}

// A library call: its result, or the given failure value when the board
// state cannot be used, as if the board were unplugged.
template<typename Call>
int libraryCall(int failure, Call call)
{
    waitLikeUsb();
    int result = failure;
    return sim::withBoard([&](sim::BoardModel &m) { result = call(m); }) ? result : failure;
}

} // namespace

extern "C" {

int usb_hid_init(void)
{
    return libraryCall(sim::noBoard, [](sim::BoardModel &m) { return m.usbHidInit(); });
}

int init_controller(int handle)
{
    return libraryCall(sim::callFailed,
                       [=](sim::BoardModel &m) { return m.initController(handle); });
}

int set_pin_dir(int handle, int group, int pin, int direction, int)
{
    return libraryCall(sim::callFailed,
                       [=](sim::BoardModel &m) { return m.setPinDir(handle, group, pin, direction); });
}

int set_pin(int handle, int group, int pin, int level, int)
{
    return libraryCall(sim::callFailed,
                       [=](sim::BoardModel &m) { return m.setPin(handle, group, pin, level); });
}

int read_pin(int handle, int group, int pin, int)
{
    return libraryCall(sim::readFailed,
                       [=](sim::BoardModel &m) { return m.readPin(handle, group, pin); });
}

int spi_read(int handle, int address, int)
{
    return libraryCall(sim::readFailed,
                       [=](sim::BoardModel &m) { return m.spiRead(handle, address); });
}

int spi_write(int handle, int address, int data, int)
{
    return libraryCall(sim::callFailed,
                       [=](sim::BoardModel &m) { return m.spiWrite(handle, address, data); });
}

int measure(int handle, int channel, int device, int)
{
    return libraryCall(sim::readFailed,
                       [=](sim::BoardModel &m) { return m.measure(handle, channel, device); });
}

void hid2sim_set_plugged(int plugged)
{
    sim::withBoard([=](sim::BoardModel &m) { m.setPlugged(plugged != 0); });
}

void hid2sim_reset(void)
{
    sim::withBoard([](sim::BoardModel &m) { m.powerOn(); });
}

void hid2sim_reset_part(unsigned int seed)
{
    sim::withBoard([=](sim::BoardModel &m) { m.powerOn(seed); });
}

void hid2sim_set_battery_mv(int millivolts)
{
    sim::withBoard([=](sim::BoardModel &m) { m.pinBattery(millivolts); });
}

} // extern "C"
