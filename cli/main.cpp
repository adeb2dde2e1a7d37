// zq40613-reg: the evaluation board's registers, pins and probes from the
// command line, for scripted bench runs. No window: the same controller
// access, register file and bit-name code as the desktop program.

#include "commandline.h"
#include "device/devicelink.h"
#include "device/hid2library.h"
#include "registercommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

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
    QCoreApplication app(argc, argv);

    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    const std::optional<Invocation> invocation =
            CommandLine::parse(QCoreApplication::arguments().mid(1), error);
    if (!invocation) {
        err << programName << ": " << error << '\n' << CommandLine::usageHint() << '\n';
        return exitBadUsage;
    }
    if (invocation->command == Invocation::Command::Help) {
        out << CommandLine::helpText();
        return exitSuccess;
    }
    if (invocation->command == Invocation::Command::Version) {
        out << CommandLine::versionText();
        return exitSuccess;
    }

    // Found the desktop program's way: its own folder first, then the
    // library search path.
    Hid2Library controller(QCoreApplication::applicationDirPath());
    DeviceLink link(controller);
    RegisterCommands commands(link, noBoardReason(controller), out, err);
    return commands.run(*invocation);
}
