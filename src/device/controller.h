// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_CONTROLLER_H
#define ZQ40613_CONTROLLER_H

// The board's controller as the rest of the program sees it: the eight calls
// of the hid2 library, with the library's own names, arguments and failure
// values. The real library is reached through Hid2Library; tests substitute a
// recording fake.
class Controller
{
public:
    virtual ~Controller() = default;

    virtual int usb_hid_init() = 0;
    virtual int init_controller(int handle) = 0;
    virtual int set_pin_dir(int handle, int group, int pin, int direction, int reserved) = 0;
    virtual int set_pin(int handle, int group, int pin, int level, int reserved) = 0;
    virtual int read_pin(int handle, int group, int pin, int reserved) = 0;
    virtual int spi_read(int handle, int address, int reserved) = 0;
    virtual int spi_write(int handle, int address, int data, int reserved) = 0;
    virtual int measure(int handle, int channel, int device, int reserved) = 0;
};

#endif
