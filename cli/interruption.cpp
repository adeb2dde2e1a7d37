// SPDX-License-Identifier: GPL-3.0-or-later
#include "interruption.h"

#include "common/interruptiblesleep.h"

#include <atomic>

namespace {

// All that the handler touches. Set from a signal handler or, on Windows,
// from the thread the system runs the handler on.
std::atomic<bool> interrupted {false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only touch lock-free atomics");

} // namespace

InterruptCatcher::InterruptCatcher()
{
    interrupted = false;
    catchInterrupts();
}

InterruptCatcher::~InterruptCatcher()
{
    releaseInterrupts();
}

void InterruptCatcher::noteInterrupt()
{
    interrupted = true;
}

bool InterruptCatcher::caught() const
{
    return interrupted;
}

void InterruptCatcher::sleep(int milliseconds) const
{
    sleepUnlessInterrupted(milliseconds, [this] { return caught(); });
}
