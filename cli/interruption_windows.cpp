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

// A program started to ignore Ctrl+C (as in a new process group, the way a
// background job is started) still ignores it: the system calls no handler.
void InterruptCatcher::catchInterrupts()
{
    ::SetConsoleCtrlHandler(onControlEvent, TRUE);
}

void InterruptCatcher::releaseInterrupts()
{
    ::SetConsoleCtrlHandler(onControlEvent, FALSE);
}
