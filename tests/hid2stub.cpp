// A second, recognisable controller library for the loader tests: its open
// answers with a handle that no other library gives. Built once complete and
// once with only the open function, to check both the choice of library and
// the refusal of an incomplete one.
#include "device/hid2.h"

int usb_hid_init(void)
{
    return 4242;
}

#ifndef HID2STUB_OPEN_ONLY
int init_controller(int) { return 1; }
int set_pin_dir(int, int, int, int, int) { return 1; }
int set_pin(int, int, int, int, int) { return 1; }
int read_pin(int, int, int, int) { return 0; }
int spi_read(int, int, int) { return 0x5a; }
int spi_write(int, int, int, int) { return 1; }
int measure(int, int, int, int) { return 0; }
#endif
