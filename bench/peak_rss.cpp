// SPDX-License-Identifier: GPL-3.0-or-later
// Prints the peak resident memory of a process that has shown either the
// main window (against the simulated board beside it) or a bare main window
// of the same fixed size; "history" is the main window with a full day of
// probe samples and the probe history window open. One window per process,
// so the figures do not mix.

#include "app/mainwindow.h"
#include "history/probehistory.h"
#include "device/hid2library.h"

#include <QAction>
#include <QApplication>
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
    const bool bare = argc == 2 && std::strcmp(argv[1], "bare") == 0;
    const bool history = argc == 2 && std::strcmp(argv[1], "history") == 0;
    if (argc != 2 || (!bare && !history && std::strcmp(argv[1], "main") != 0)) {
        std::fprintf(stderr, "usage: %s main|bare|history\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    Hid2Library library(QCoreApplication::applicationDirPath());
    std::unique_ptr<QMainWindow> window;
    if (bare) {
        window = std::make_unique<QMainWindow>();
        window->setFixedSize(windowSize);
    } else {
        auto main = std::make_unique<MainWindow>(library);
        if (history) {
            ProbeSample sample;
            sample.volts = {3.7, 1.8, 3.3, 1.2};
            for (int i = 0; i < ProbeHistory::capacity; ++i, sample.time += 1000)
                main->probeHistory().append(sample);
            main->findChild<QAction *>(QStringLiteral("actionProbe_History"))->trigger();
        }
        window = std::move(main);
    }
    window->show();
    QTimer::singleShot(settleMs, &app, &QCoreApplication::quit);
    app.exec();
    std::printf("%ld\n", peakResidentKiB());
    return 0;
}
