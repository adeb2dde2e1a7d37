// SPDX-License-Identifier: GPL-3.0-or-later
#include "interruption.h"

#include <csignal>

namespace {

void onSignal(int)
{
    InterruptCatcher::noteInterrupt();
}

} // namespace

void InterruptCatcher::catchInterrupts()
{
    previousHandler = std::signal(SIGINT, onSignal);
}

void InterruptCatcher::releaseInterrupts()
{
    std::signal(SIGINT, previousHandler == SIG_ERR ? SIG_DFL : previousHandler);
}
