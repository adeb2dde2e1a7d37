// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_TRACE_H
#define ZQ40613_TRACE_H

#include <QLoggingCategory>

// Developer trace lines. They go to Qt's debug output under one category,
// off by default; "zq40613.trace.debug=true" in QT_LOGGING_RULES turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcTrace)

#endif
