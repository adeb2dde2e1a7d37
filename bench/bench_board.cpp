// SPDX-License-Identifier: GPL-3.0-or-later
// A register read on the simulated board as zq40613-reg makes it: the floor
// of the same read made from Python (bench_python.py).

#include "benchmain.h"
#include "device/devicelink.h"
#include "device/hid2library.h"
#include "session/boardsession.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int readAddress = 0x07;

void BM_RegisterRead(benchmark::State &state)
{
    Hid2Library library(QCoreApplication::applicationDirPath());
    DeviceLink link(library);
    BoardSession session(link);
    if (!link.openBoard()) {
        state.SkipWithError("no board");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(session.readRegister(readAddress));
}

} // namespace

// 10,000 reads a run, as bench_python.py makes them from Python, taking
// turns with this program.
BENCHMARK(BM_RegisterRead)->Iterations(10'000)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
