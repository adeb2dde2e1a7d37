// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_CLI_COMMANDLINE_H
#define ZQ40613_CLI_COMMANDLINE_H

#include "sweep/sweeprun.h"

#include <QByteArrayList>
#include <QString>

#include <optional>

// Exit statuses of zq40613-reg.
constexpr int exitSuccess = 0;
constexpr int exitBoardFailure = 1;   // no board, a failed transfer, a read-back that differs
constexpr int exitBadUsage = 2;       // bad arguments, an unreadable file, a syntax error
constexpr int exitInterrupted = 130;  // a load or sweep stopped by Ctrl+C, as a shell reports an interrupt

constexpr char programName[] = "zq40613-reg";

// One run of the program as its arguments ask for it.
struct Invocation
{
    enum class Command { Help, Version, Read, Write, Dump, Load, Verify, Pins, Probes, Sweep };

    Command command = Command::Help;
    int address = 0;
    int data = 0;
    bool showBits = false;      // read --bits, verify --bits
    bool verifyWrite = false;   // write --verify
    QByteArray fileName;        // load, verify, as the system spells it; "-" is standard input
    int watchIntervalMs = 0;    // probes --watch; 0 reads once
    bool keepGoing = false;     // probes --watch --keep-going
    SweepPlan sweep;            // sweep, its field and values checked
};

// The arguments of zq40613-reg: commands, options and the number syntax.
// Addresses and data are hexadecimal, with or without "0x" ("0b", "0x0b" and
// "B" all mean 11, "10" means 16), the way every number of the desktop
// program is written; a decimal number carries the prefix "0n" ("0n11").
// Options may stand anywhere after the program name, and "--" ends them.
class CommandLine
{
public:
    // The arguments after the program name, as the system passed them. Without
    // a value the error holds a one-line message (no program name, no line
    // end).
    static std::optional<Invocation> parse(const QByteArrayList &arguments, QString &error);

    static QString helpText();
    static QString versionText();
    // The line that follows every usage error.
    static QString usageHint();
};

#endif
