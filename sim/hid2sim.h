// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SIM_HID2SIM_H
#define ZQ40613_SIM_HID2SIM_H

// Controls of the simulated board that are not part of the controller
// library's interface. Tests call them to set the scene; the program never
// does. Like every call, they act on the board that all processes using the
// same state file share (sharedstate.h), and do nothing while there is none.

#ifdef __cplusplus
extern "C" {
#endif

/* Unplugs (0) or plugs in (nonzero) the board. Plugging it back in gives a
   new handle; unplugging releases the controller's pins. */
void hid2sim_set_plugged(int plugged);

/* Power-on state: plugged in with a new handle, registers at their reset
   values, every pin an input and low, the battery drifting; the part stays. */
void hid2sim_reset(void);

/* The same with the part of the given seed in the socket: its converters'
   gain, offset and noise and its comparator's offset (boardmodel.h). Part 0
   is the ideal one, which reads exactly what the registers ask for. */
void hid2sim_reset_part(unsigned int seed);

/* Holds the battery at the given voltage without noise, at most 10 V; a
   negative value lets it drift again. */
void hid2sim_set_battery_mv(int millivolts);

#ifdef __cplusplus
}
#endif

#endif
