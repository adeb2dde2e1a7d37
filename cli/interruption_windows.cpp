// SPDX-License-Identifier: GPL-3.0-or-later
#include "interruption.h"

#include <windows.h>

namespace {

// Ctrl+C alone is taken, as SIGINT is elsewhere; Ctrl+Break, closing the
// console, logging off and shutting down still end the program.
BOOL WINAPI onControlEvent(DWORD event)
{
    if (event != CTRL_C_EVENT)
        return FALSE;
    InterruptCatcher::noteInterrupt();
    return TRUE;
}

} // namespace

void InterruptCatcher::catchInterrupts()
{
    ::SetConsoleCtrlHandler(onControlEvent, TRUE);
}

void InterruptCatcher::releaseInterrupts()
{
    ::SetConsoleCtrlHandler(onControlEvent, FALSE);
}
