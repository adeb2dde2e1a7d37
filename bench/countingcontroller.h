// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_COUNTINGCONTROLLER_H
#define ZQ40613_COUNTINGCONTROLLER_H

#include "device/controller.h"

// Passes every call on to the real controller and counts it, so a benchmark
// can report how many board round trips an operation costs.
class CountingController : public Controller
{
public:
    explicit CountingController(Controller &inner) : inner(inner) {}

    long long calls = 0;

    int usb_hid_init() override { return ++calls, inner.usb_hid_init(); }
    int init_controller(int h) override { return ++calls, inner.init_controller(h); }
    int set_pin_dir(int h, int g, int p, int d, int r) override
    {
        return ++calls, inner.set_pin_dir(h, g, p, d, r);
    }
    int set_pin(int h, int g, int p, int l, int r) override
    {
        return ++calls, inner.set_pin(h, g, p, l, r);
    }
    int read_pin(int h, int g, int p, int r) override { return ++calls, inner.read_pin(h, g, p, r); }
    int spi_read(int h, int a, int r) override { return ++calls, inner.spi_read(h, a, r); }
    int spi_write(int h, int a, int d, int r) override
    {
        return ++calls, inner.spi_write(h, a, d, r);
    }
    int measure(int h, int c, int d, int r) override { return ++calls, inner.measure(h, c, d, r); }

private:
    Controller &inner;
};

#endif
