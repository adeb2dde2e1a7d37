// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against the simulated board, each figure beside a floor
// measured in the same run: start-up against the panel form shown alone,
// a poll tick and a display refresh against the bare controller calls they
// are made of. Set ZQ40613_SIM_LATENCY_US to imitate a USB round trip.

#include "app/mainwindow.h"
#include "benchmain.h"
#include "common/chip.h"
#include "countingcontroller.h"
#include "device/devicelink.h"
#include "device/hid2library.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The pins and probes a refresh reads, with the registers a poll reads: the
// calls a tick cannot do without.
constexpr int pinReads[][2] = {{1, 3}, {3, 2}, {3, 3}, {3, 4}};
constexpr int probeChannels[] = {7, 6, 4, 5};
constexpr int conversionsPerProbe = 2;

Hid2Library &board()
{
    static Hid2Library library(QCoreApplication::applicationDirPath());
    return library;
}

void requireBoard(benchmark::State &state)
{
    if (!board().isLoaded())
        state.SkipWithError("no simulated board beside the benchmark");
}

void BM_StartupMainWindow(benchmark::State &state)
{
    requireBoard(state);
    for (auto _ : state) {
        MainWindow window(board());
        window.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.isVisible());
    }
}

// What start-up cannot do without: the form built and shown, with no board,
// no refresh and none of the other windows.
void BM_StartupPanelForm(benchmark::State &state)
{
    for (auto _ : state) {
        QMainWindow window;
        Ui::MainWindow form;
        form.setupUi(&window);
        window.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(window.isVisible());
    }
}

// A connected window whose controller calls are counted.
struct CountedWindow
{
    CountingController counter{board()};
    MainWindow window{counter};
};

void runTicks(benchmark::State &state, const char *slot)
{
    requireBoard(state);
    CountedWindow w;
    if (!w.window.deviceLink().isConnected()) {
        state.SkipWithError("the simulated board does not answer");
        return;
    }
    w.counter.calls = 0;
    for (auto _ : state)
        QMetaObject::invokeMethod(&w.window, slot, Qt::DirectConnection);
    state.counters["calls_per_tick"] =
            benchmark::Counter(double(w.counter.calls) / double(state.iterations()));
}

void BM_PollTick(benchmark::State &state)
{
    runTicks(state, "timer_func");
}

// With the link up, a reconnect tick only stops its timer and refreshes the
// panel: the refresh and the status bar, nothing else.
void BM_DisplayRefresh(benchmark::State &state)
{
    runTicks(state, "init_hardware");
}

// A display refresh after a poll found a register changed, with the events
// it leaves handled (the register map's repaint among them), once with the
// map open and once with it closed.
void runRefreshWithMap(benchmark::State &state, bool mapOpen)
{
    requireBoard(state);
    CountedWindow w;
    if (!w.window.deviceLink().isConnected()) {
        state.SkipWithError("the simulated board does not answer");
        return;
    }
    if (mapOpen)
        w.window.findChild<QAction *>(QStringLiteral("actionRegister_Map"))->trigger();
    QCoreApplication::processEvents();
    RegisterMirror &mirror = w.window.registerMirror();
    for (auto _ : state) {
        mirror[0x07] ^= 1;
        QMetaObject::invokeMethod(&w.window, "init_hardware", Qt::DirectConnection);
        QCoreApplication::processEvents();
    }
}

void BM_RefreshRegisterMapOpen(benchmark::State &state)
{
    runRefreshWithMap(state, true);
}

void BM_RefreshRegisterMapClosed(benchmark::State &state)
{
    runRefreshWithMap(state, false);
}

void refreshCalls(Controller &c, int handle)
{
    for (const auto &pin : pinReads)
        benchmark::DoNotOptimize(c.read_pin(handle, pin[0], pin[1], 0));
    for (int channel : probeChannels)
        for (int i = 0; i < conversionsPerProbe; ++i)
            benchmark::DoNotOptimize(c.measure(handle, channel, 0, 0));
}

void BM_PollTickFloor(benchmark::State &state)
{
    requireBoard(state);
    const int handle = board().usb_hid_init();
    for (auto _ : state) {
        for (int address : pollRegisters)
            benchmark::DoNotOptimize(board().spi_read(handle, address, 0));
        refreshCalls(board(), handle);
    }
}

void BM_DisplayRefreshFloor(benchmark::State &state)
{
    requireBoard(state);
    const int handle = board().usb_hid_init();
    for (auto _ : state)
        refreshCalls(board(), handle);
}

} // namespace

BENCHMARK(BM_StartupMainWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupPanelForm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PollTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PollTickFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DisplayRefresh)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DisplayRefreshFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefreshRegisterMapOpen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefreshRegisterMapClosed)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
