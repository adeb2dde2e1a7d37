// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PANELREADOUTS_H
#define ZQ40613_PANELREADOUTS_H

#include "common/chip.h"

#include <QString>

class DeviceLink;
struct LineEditBinding;

// The probe a read-out binding name belongs to, as an index into
// panelProbes, or -1 for a name that is no probe of the panel.
int probeIndex(const QString &bindingName);

// The highest voltage a probe of panelProbes can read: its converter's
// reference scaled by the probe's coefficient.
double probeFullScale(int probe);

// A probe voltage as the panel shows it: "%2.2f", at most 11 characters.
QString probeText(double volts);

// One reading of a pin-level or ADC binding through the device link.
// ok says whether the board answered; level and text are what the panel shows
// for the reading, a failed one included: level 1 for a pin whose read gave
// anything but 0, and text "0" or "1" for a pin, probeText() for a probe.
// volts is a probe's reading as the link gave it (-1.0 when it failed).
struct ReadoutValue
{
    bool ok = false;
    int level = 0;
    double volts = 0.0;
    QString text;
};

// The one way the board readings are made, by the panel's display refresh
// and, through readReadout(), by programs without the panel. A binding of
// another kind reads nothing and gives ok = false.
ReadoutValue readBinding(DeviceLink &link, const LineEditBinding &binding);

// The same by binding name, for programs without the panel: a failed board
// call, or a name that is neither kind, gives ok = false and no text.
ReadoutValue readReadout(DeviceLink &link, const char *bindingName);

#endif
