// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_BENCHMAIN_H
#define ZQ40613_BENCHMAIN_H

#include <QLoggingCategory>

#include <benchmark/benchmark.h>

// The body of every benchmark program's main. Trace lines are switched off
// first: writing them would measure the console, not the program.
inline int runBenchmarks(int &argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("zq40613.trace.debug=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#endif
