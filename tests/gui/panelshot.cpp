// SPDX-License-Identifier: GPL-3.0-or-later
// Developer tool: saves a picture of the main window over the simulated board
// as a desktop with a given colour scheme and font would show it.
//   panelshot OUT.png [--dark] [--font FAMILY,POINTS]
// The scheme and font go to the application before the window is built, the
// way a platform theme hands them over.
#include "app/mainwindow.h"
#include "desktopschemes.h"
#include "device/hid2library.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("PNG file to write"));
    const QCommandLineOption dark(QStringLiteral("dark"), QStringLiteral("Dark colour scheme"));
    const QCommandLineOption font(QStringLiteral("font"), QStringLiteral("Desktop font"),
                                  QStringLiteral("family,points"));
    parser.addOptions({dark, font});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    if (parser.isSet(dark))
        QApplication::setPalette(darkScheme());
    if (parser.isSet(font)) {
        QFont desktopFont;
        if (!desktopFont.fromString(parser.value(font)))
            parser.showHelp(2);
        QApplication::setFont(desktopFont);
    }

    Hid2Library controller(QStringLiteral(SIM_DIR));
    MainWindow window(controller);
    window.show();
    // One turn of the event loop lays the window out before it is grabbed.
    QTimer::singleShot(0, &window, [&] {
        app.exit(window.grab().save(parser.positionalArguments().constFirst()) ? 0 : 1);
    });
    return app.exec();
}
