// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_BENCHMAIN_H
#define ZQ40613_BENCHMAIN_H

#include <benchmark/benchmark.h>

// The body of every benchmark program's main.
inline int runBenchmarks(int &argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#endif
