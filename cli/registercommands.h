// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_CLI_REGISTERCOMMANDS_H
#define ZQ40613_CLI_REGISTERCOMMANDS_H

#include "commandline.h"
#include "regfile/registerreference.h"
#include "session/boardsession.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class DeviceLink;
class QFile;
class QIODevice;
class QTextStream;

// Writes text to out and flushes it. False, after saying why on err, when
// it did not all reach its destination (a full disk, a closed stream).
bool printChecked(QTextStream &out, QTextStream &err, const QString &text);

// The board commands of zq40613-reg, over a board session: a run opens the
// board once with the desktop program's open and pin set-up and fails at the
// first transfer that fails: no retry, but for "probes --watch --keep-going",
// which opens the board again at every tick until it answers. "verify"
// checks its file before the board is opened; "load" applies its file line
// by line, as the desktop program does. Files are read as a stream, never
// whole. Results are collected and printed only when the command succeeded,
// so a failing run prints nothing but its error; the exceptions are
// "verify", whose differences are its result even though they fail it, and
// "probes --watch", whose lines go out (and are flushed) as they are taken.
// Output that cannot be written fails the command.
class RegisterCommands
{
public:
    // noBoardReason ends the error line when the open finds no board.
    RegisterCommands(DeviceLink &link, QString noBoardReason, QTextStream &out, QTextStream &err);

    // Runs a board command (neither help nor version); returns the exit status.
    int run(const Invocation &invocation);

private:
    int read(int address, bool showBits);
    int write(int address, int data, bool verifyWrite);
    int dump();
    int load(QIODevice &file, const QString &fileName);
    int verify(const RegisterReference &file, bool showBits);
    template <std::size_t N>
    int printReadouts(const PanelReadout (&table)[N]);
    int watchProbes(int intervalMs, bool keepGoing);
    int sweep(const SweepPlan &plan);

    std::unique_ptr<QFile> openInput(const QByteArray &fileName);
    int fail(const QString &message, int status = exitBoardFailure);
    int sessionFailed(int status = exitBoardFailure);
    int succeed(const QString &result);
    bool print(const QString &text);

    BoardSession session;
    QString noBoardReason;
    QTextStream &out;
    QTextStream &err;
};

#endif
