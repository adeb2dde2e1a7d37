// SPDX-License-Identifier: GPL-3.0-or-later
// zq40613-reg: the evaluation board's registers, pins and probes from the
// command line, for scripted bench runs. No window: the same controller
// access, register file and bit-name code as the desktop program.

#include "commandline.h"
#include "device/devicelink.h"
#include "device/hid2library.h"
#include "nativeio.h"
#include "registercommands.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace {

// The file descriptor of standard output in every C runtime.
constexpr int standardOutputDescriptor = 1;

} // namespace

int main(int argc, char *argv[])
{
    occupyClosedStandardStreams();
    QByteArrayList argvBytes;
    for (int i = 1; i < argc; ++i)
        argvBytes << QByteArray(argv[i]);
    QCoreApplication app(argc, argv);

    // Standard output unbuffered below the stream, so that every flush
    // reaches the system and a failed write is seen at once.
    QFile standardOutput;
    standardOutput.open(standardOutputDescriptor, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QTextStream out(&standardOutput);
    QTextStream err(stderr);
    QString error;
    const std::optional<Invocation> invocation = CommandLine::parse(nativeArguments(argvBytes), error);
    if (!invocation) {
        err << programName << ": " << error << '\n' << CommandLine::usageHint() << '\n';
        return exitBadUsage;
    }
    if (invocation->command == Invocation::Command::Help)
        return printChecked(out, err, CommandLine::helpText()) ? exitSuccess : exitBoardFailure;
    if (invocation->command == Invocation::Command::Version)
        return printChecked(out, err, CommandLine::versionText()) ? exitSuccess : exitBoardFailure;

    // Found the desktop program's way: its own folder first, then the
    // library search path.
    Hid2Library controller(QCoreApplication::applicationDirPath());
    DeviceLink link(controller);
    RegisterCommands commands(link, controller.noBoardReason(), out, err);
    return commands.run(*invocation);
}
