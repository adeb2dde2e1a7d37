// SPDX-License-Identifier: GPL-3.0-or-later
#include "interruption.h"

#include "common/interruptiblesleep.h"

#include <csignal>

namespace {

// All that a signal handler may touch.
volatile std::sig_atomic_t interrupted = 0;

void noteInterrupt(int)
{
    interrupted = 1;
}

} // namespace

InterruptCatcher::InterruptCatcher()
{
    interrupted = 0;
    previousHandler = std::signal(SIGINT, noteInterrupt);
}

InterruptCatcher::~InterruptCatcher()
{
    std::signal(SIGINT, previousHandler == SIG_ERR ? SIG_DFL : previousHandler);
}

bool InterruptCatcher::caught() const
{
    return interrupted != 0;
}

void InterruptCatcher::sleep(int milliseconds) const
{
    sleepUnlessInterrupted(milliseconds, [this] { return caught(); });
}
