// SPDX-License-Identifier: GPL-3.0-or-later
// zq40613-reg: the evaluation board's registers, pins and probes from the
// command line, for scripted bench runs. No window: the same controller
// access, register file and bit-name code as the desktop program.

#include "commandline.h"
#include "device/devicelink.h"
#include "device/hid2library.h"
#include "registercommands.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// A standard stream that the caller closed ("read 07 >&-") would be taken by
// the next file the program opens, and output meant for it would land
// there. Each closed one gets /dev/null opened the wrong way round, so that
// using it fails as using the closed stream would.
void occupyClosedStandardStreams()
{
#ifdef Q_OS_UNIX
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lower ones are open by now, so this takes fd itself.
        const int placeholder = ::open("/dev/null", (fd == STDIN_FILENO ? O_WRONLY : O_RDONLY));
        if (placeholder >= 0 && placeholder != fd) {
            ::dup2(placeholder, fd);
            ::close(placeholder);
        }
    }
#endif
}

// The file descriptor of standard output in every C runtime.
constexpr int standardOutputDescriptor = 1;

// The arguments after the program name as the system passed them, from argv
// as it was before the application object took its own options out of it.
// On Unix these are the bytes themselves, so that a file name need not be
// valid text; Windows passes text, which the application object has.
QByteArrayList nativeArguments(const QByteArrayList &argvBytes)
{
#ifdef Q_OS_UNIX
    return argvBytes;
#else
    Q_UNUSED(argvBytes);
    QByteArrayList arguments;
    const QStringList texts = QCoreApplication::arguments().mid(1);
    for (const QString &text : texts)
        arguments << QFile::encodeName(text);
    return arguments;
#endif
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
    RegisterCommands commands(link, controller.noBoardReason(), out, err);
    return commands.run(*invocation);
}
