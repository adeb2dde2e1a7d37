// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"
#include "device/hid2library.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Where the settings of the windows beyond the panel are kept.
    QCoreApplication::setOrganizationName(QStringLiteral("zq40613-eval"));
    QCoreApplication::setApplicationName(QStringLiteral("zq40613-eval"));
    Hid2Library controller(QCoreApplication::applicationDirPath());
    MainWindow window(controller);
    window.show();
    return app.exec();
}
