// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_CLI_INTERRUPTION_H
#define ZQ40613_CLI_INTERRUPTION_H

// Catches the interrupt (Ctrl+C, SIGINT) while it lives, so that a command
// can stop where it chooses and say where it stopped. Before and after, an
// interrupt ends the program at once, as the system's default does.
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

private:
    void (*previousHandler)(int);
};

#endif
