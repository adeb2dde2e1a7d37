#ifndef ZQ40613_PANELREADOUTS_H
#define ZQ40613_PANELREADOUTS_H

#include <QString>

class DeviceLink;

// The board readings the panel shows beside the chip's registers: the two pin
// indicators and the four probe read-outs, each with its label and the
// binding name the panel's line edit carries. Programs without the panel form
// (the command-line tool) read the board through this table, so they read
// exactly what the panel reads; a test keeps it in step with the form.
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

// A probe voltage as its read-out shows it: "%2.2f", at most 11 characters.
QString probeText(double volts);

// One reading of a pin-level or ADC binding through the device link, as the
// panel's refresh makes it, and its text as the panel shows it ("0" or "1"
// for a pin, the probe text for a voltage). A failed board call, or a name
// that is neither kind, gives ok = false and no text.
struct ReadoutValue
{
    bool ok = false;
    QString text;
};

ReadoutValue readReadout(DeviceLink &link, const char *bindingName);

#endif
