// Prints the peak resident memory of a process that has shown either the
// main window (against the simulated board beside it) or a bare main window
// of the same fixed size. One window per process, so the figures do not mix.

#include "app/mainwindow.h"
#include "device/hid2library.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMainWindow>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr QSize windowSize(990, 585);
// Long enough for the window to be laid out, painted and settled.
constexpr int settleMs = 300;

long peakResidentKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 || (std::strcmp(argv[1], "main") != 0 && std::strcmp(argv[1], "bare") != 0)) {
        std::fprintf(stderr, "usage: %s main|bare\n", argv[0]);
        return 2;
    }
    QLoggingCategory::setFilterRules(QStringLiteral("zq40613.trace.debug=false"));
    QApplication app(argc, argv);
    Hid2Library library(QCoreApplication::applicationDirPath());
    std::unique_ptr<QMainWindow> window;
    if (std::strcmp(argv[1], "main") == 0) {
        window = std::make_unique<MainWindow>(library);
    } else {
        window = std::make_unique<QMainWindow>();
        window->setFixedSize(windowSize);
    }
    window->show();
    QTimer::singleShot(settleMs, &app, &QCoreApplication::quit);
    app.exec();
    std::printf("%ld\n", peakResidentKiB());
    return 0;
}
