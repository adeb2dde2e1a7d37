// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_CLI_INTERRUPTION_H
#define ZQ40613_CLI_INTERRUPTION_H

// Catches the interrupt (Ctrl+C: SIGINT on POSIX systems, the console's
// control event on Windows) while it lives, so that a command can stop where
// it chooses and say where it stopped. Before and after, an interrupt ends
// the program at once, as the system's default does.
class InterruptCatcher
{
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher &) = delete;
    InterruptCatcher &operator=(const InterruptCatcher &) = delete;

    // An interrupt came since this catcher was made.
    bool caught() const;
    // Sleeps the milliseconds, or until an interrupt comes.
    void sleep(int milliseconds) const;

    // What the system's handler calls; safe in a signal handler.
    static void noteInterrupt();

private:
    // Hands the interrupt to noteInterrupt(), and back to the system
    // (interruption_posix.cpp, interruption_windows.cpp).
    void catchInterrupts();
    void releaseInterrupts();

    // The signal handler that catchInterrupts() replaced (POSIX systems).
    void (*previousHandler)(int) = nullptr;
};

#endif
