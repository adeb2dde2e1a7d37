// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_CHIP_H
#define ZQ40613_CHIP_H

// What the program knows of the ZQ40613 and its evaluation board beyond the
// panel form: the names of the register bits, the registers a status poll
// reads, how the board's pins are set up, and which pins and probes the panel
// shows. Every program and window that needs one of these takes it from here.

// ---- Register bits ----

constexpr int registerCount = 256;
constexpr int bitsPerRegister = 8;
constexpr char unnamedBit[] = "-";

// Name of bit 'bit' (0 = least significant) of register 'address'. Any
// address or bit outside the register file gives unnamedBit, so callers may
// pass unchecked user input.
const char *bitName(int address, int bit);

// ---- Status poll ----

// The registers a status poll reads, in this order: every register the panel
// shows.
inline constexpr int pollRegisters[] = {0x00, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e};

// ---- Board pins, in the controller's numbering (groups from 1) ----

struct BoardPin
{
    int group;
    int pin;
};

constexpr int outputDirection = 1;
constexpr int inputDirection = 0;

struct PinDirection
{
    BoardPin pin;
    int direction;
};

// Directions applied after every successful open. Pin 3.2 is made an input
// twice; the board has always been set up this way.
inline constexpr PinDirection pinSetup[] = {
    {{1, 0}, outputDirection}, {{1, 1}, inputDirection},  {{1, 2}, outputDirection},
    {{2, 1}, outputDirection}, {{3, 1}, outputDirection}, {{3, 2}, inputDirection},
    {{3, 3}, outputDirection}, {{3, 4}, outputDirection}, {{1, 3}, inputDirection},
    {{2, 3}, inputDirection},  {{3, 6}, outputDirection}, {{3, 2}, inputDirection},
};

// Driven low right after the set-up.
inline constexpr BoardPin lowAfterSetup{2, 3};

// The two pins with controls of their own rather than a binding name.
inline constexpr BoardPin devSleepPin{3, 1};
inline constexpr BoardPin hostControllerPin{3, 6};

// ---- Pins and probes the panel shows ----

// Each with its label and the binding name of the panel's line edit, which
// holds its pin or its ADC channel and scaling. Programs without the panel
// form (the command-line tool) read the board through this table, so they
// read exactly what the panel reads; a test keeps it in step with the form.
struct PanelReadout
{
    const char *label;
    const char *bindingName;
};

inline constexpr PanelReadout panelPins[] = {
    {"IRQ", "lio0003"},
    {"PWR_UP MODE", "lio0202"},
};

inline constexpr PanelReadout panelProbes[] = {
    {"BATT", "adc000710244280"},
    {"BUCK1", "adc000610244200"},
    {"BUCK2", "adc000410244200"},
    {"BUCK3", "adc000510244100"},
};

#endif
