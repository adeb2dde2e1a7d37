// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SIM_STANDARDSTREAMS_H
#define ZQ40613_SIM_STANDARDSTREAMS_H

namespace sim {

// Keeps a standard stream that the caller closed ("status >&-") from being
// taken by the next file opened, where output meant for it would land.
// Call it first thing in main (standardstreams_posix.cpp,
// standardstreams_windows.cpp).
void occupyClosedStandardStreams();

} // namespace sim

#endif
