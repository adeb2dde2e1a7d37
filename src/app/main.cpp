// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"
#include "common/product.h"
#include "device/hid2library.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int exitOutputFailed = 1;
constexpr int exitBadUsage = 2;

// The program's own options are --help and --version; Qt's own (-platform,
// -style, -display and the rest) are taken by the application object, as
// every Qt program takes them. A single dash starts a word, as in Qt's
// options, so that "-reverse" is not read as -r -e -v (--version).
void describeOptions(QCommandLineParser &parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
            "Evaluation software for the ZQ40613 power-management chip on its evaluation "
            "board.\nThe options that every Qt program takes apply too (--help-all lists "
            "them), such as -platform NAME."));
    parser.addHelpOption();
    parser.addVersionOption();
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// --help and --version need no window system, so they are answered before
// the application object connects to one: they work over a plain terminal.
void answerHelpAndVersion(int argc, char *argv[])
{
    QCommandLineParser parser;
    describeOptions(parser);
    // Qt's options are still on the line here; they are not this parser's to judge.
    parser.parse(argumentList(argc, argv));
    const bool help = parser.isSet(QStringLiteral("help"));
    if (!help && !parser.isSet(QStringLiteral("version")))
        return;
    // The help names the program as it was started.
    const QCoreApplication app(argc, argv);
    const QString text = help ? parser.helpText()
                              : QStringLiteral("%1 (%2) %3\n").arg(QCoreApplication::applicationName(),
                                                                    QLatin1String(productTitle),
                                                                    QLatin1String(versionString));
    // Output that cannot be written (a full disk) is a failure, not an answer.
    if (std::fputs(qPrintable(text), stdout) < 0 || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "%s: cannot write output: %s\n",
                     qPrintable(QCoreApplication::applicationName()), std::strerror(errno));
        std::exit(exitOutputFailed);
    }
    std::exit(EXIT_SUCCESS);
}

// What is left once Qt has taken its own options: anything but --help-all
// is bad usage.
bool acceptOptions(const QCoreApplication &app)
{
    QCommandLineParser parser;
    describeOptions(parser);
    QString error;
    if (!parser.parse(QCoreApplication::arguments()))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
    if (error.isEmpty()) {
        parser.process(app);
        return true;
    }
    const QString name = QCoreApplication::applicationName();
    std::fprintf(stderr, "%s: %s\nUsage: %s [options]\nTry '%s --help' for more information.\n",
                 qPrintable(name), qPrintable(error), qPrintable(name), qPrintable(name));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // Where the settings of the windows beyond the panel are kept.
    QCoreApplication::setOrganizationName(QStringLiteral("zq40613-eval"));
    QCoreApplication::setApplicationName(QStringLiteral("zq40613-eval"));
    answerHelpAndVersion(argc, argv);
    QApplication app(argc, argv);
    if (!acceptOptions(app))
        return exitBadUsage;
    Hid2Library controller(QCoreApplication::applicationDirPath());
    MainWindow window(controller);
    window.show();
    return app.exec();
}
