// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_HID2_H
#define ZQ40613_HID2_H

// The C interface of the evaluation board's controller library "hid2".
// Every stand-in for the library (the simulated board among them) exports
// exactly these functions with C linkage and the default calling convention.
// The trailing "reserved" argument is always passed as 0.

#ifdef __cplusplus
extern "C" {
#endif

int usb_hid_init(void);                                           /* handle, -1 = no board */
int init_controller(int handle);
int set_pin_dir(int handle, int group, int pin, int direction, int reserved);
int set_pin(int handle, int group, int pin, int level, int reserved); /* 0 = failure */
int read_pin(int handle, int group, int pin, int reserved);          /* level, -1 = failure */
int spi_read(int handle, int address, int reserved);                 /* 0..255, -1 = failure */
int spi_write(int handle, int address, int data, int reserved);      /* 0 = failure */
int measure(int handle, int channel, int device, int reserved);      /* raw count, -1 = failure */

typedef int (*usb_hid_init_fn)(void);
typedef int (*init_controller_fn)(int);
typedef int (*set_pin_dir_fn)(int, int, int, int, int);
typedef int (*set_pin_fn)(int, int, int, int, int);
typedef int (*read_pin_fn)(int, int, int, int);
typedef int (*spi_read_fn)(int, int, int);
typedef int (*spi_write_fn)(int, int, int, int);
typedef int (*measure_fn)(int, int, int, int);

#ifdef __cplusplus
}
#endif

#endif
