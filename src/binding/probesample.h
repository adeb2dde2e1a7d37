// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_PROBESAMPLE_H
#define ZQ40613_PROBESAMPLE_H

#include "binding/panelreadouts.h"

#include <QtGlobal>

#include <array>
#include <iterator>
#include <limits>

inline constexpr int probeCount = int(std::size(panelProbes));

// The status register, recorded with every probe sample: it tells which
// converters the chip saw as in regulation at that moment.
inline constexpr int probeStatusRegister = 0x0d;

// What a failed conversion leaves in a sample: no value at all, so that it
// is drawn as a gap and written as an empty field, never as -1 V.
inline constexpr double noReading = std::numeric_limits<double>::quiet_NaN();

using ProbeVolts = std::array<double, probeCount>;

constexpr ProbeVolts noReadings()
{
    ProbeVolts volts{};
    for (double &v : volts)
        v = noReading;
    return volts;
}

// The four probe voltages as one display refresh (or one line of
// zq40613-reg probes --watch) read them, in the order of panelProbes.
struct ProbeSample
{
    qint64 time = 0; // milliseconds since the epoch
    ProbeVolts volts = noReadings();
    quint8 status = 0; // the status register as the register mirror held it
};

#endif
