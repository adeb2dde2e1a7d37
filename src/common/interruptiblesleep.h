// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_INTERRUPTIBLESLEEP_H
#define ZQ40613_INTERRUPTIBLESLEEP_H

#include <functional>

// Sleeps the milliseconds, asking interrupted() every few milliseconds and
// stopping as soon as it says yes: a wait that Ctrl+C can cut short, however
// the program hears of it. Returns false when it was cut short.
bool sleepUnlessInterrupted(int milliseconds, const std::function<bool()> &interrupted);

#endif
