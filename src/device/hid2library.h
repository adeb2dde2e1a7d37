// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_HID2LIBRARY_H
#define ZQ40613_HID2LIBRARY_H

#include "device/controller.h"
#include "device/hid2/hid2.h"
#include "device/libraryfile.h"

#include <QString>

// The controller library, loaded at run time. The copy in the program's own
// folder wins (given no folder: none, never the current one); otherwise
// "hid2" is looked up the platform's ordinary way (on Linux this honours
// LD_LIBRARY_PATH, on Windows it is the system's search order). When no
// usable library is found, every call answers like a board that is not
// plugged in, so the program still runs and keeps trying to connect.
class Hid2Library : public Controller
{
public:
    explicit Hid2Library(const QString &programDir);

    bool isLoaded() const { return loaded; }
    QString fileName() const { return library.fileName(); }
    // Why the library is not in use; empty when it is.
    QString failure() const { return whyNotLoaded; }
    // What to tell when no board answers: the library that was asked, or
    // why none could be loaded.
    QString noBoardReason() const;

    int usb_hid_init() override;
    int init_controller(int handle) override;
    int set_pin_dir(int handle, int group, int pin, int direction, int reserved) override;
    int set_pin(int handle, int group, int pin, int level, int reserved) override;
    int read_pin(int handle, int group, int pin, int reserved) override;
    int spi_read(int handle, int address, int reserved) override;
    int spi_write(int handle, int address, int data, int reserved) override;
    int measure(int handle, int channel, int device, int reserved) override;

private:
    bool load(const QString &name);
    bool resolveAll();
    void note(const QString &reason);

    LibraryFile library;
    bool loaded = false;
    QString whyNotLoaded;

    usb_hid_init_fn usbHidInit = nullptr;
    init_controller_fn initController = nullptr;
    set_pin_dir_fn setPinDir = nullptr;
    set_pin_fn setPin = nullptr;
    read_pin_fn readPin = nullptr;
    spi_read_fn spiRead = nullptr;
    spi_write_fn spiWrite = nullptr;
    measure_fn measureFn = nullptr;
};

#endif
