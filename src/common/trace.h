#ifndef ZQ40613_TRACE_H
#define ZQ40613_TRACE_H

#include <QLoggingCategory>

// Developer trace lines. They go to Qt's debug output under one category, so
// "zq40613.trace.debug=false" in QT_LOGGING_RULES silences them.
Q_DECLARE_LOGGING_CATEGORY(lcTrace)

#endif
