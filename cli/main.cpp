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
#include <QDir>
#include <QFile>
#include <QTextStream>

namespace {

// The file descriptor of standard output in every C runtime.
constexpr int standardOutputDescriptor = 1;

// What the error says when no board answers: with the library that was
// asked, or why none could be loaded.
QString noBoardReason(const Hid2Library &library)
{
    if (library.isLoaded())
        return QStringLiteral("no board answers (controller library %1)")
                .arg(QDir::toNativeSeparators(library.fileName()));
    return QStringLiteral("no board: the controller library hid2 cannot be loaded (%1)")
            .arg(library.failure());
}

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
    RegisterCommands commands(link, noBoardReason(controller), out, err);
    return commands.run(*invocation);
}
