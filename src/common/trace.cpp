// SPDX-License-Identifier: GPL-3.0-or-later
#include "trace.h"

// Off unless asked for: the lines are for developers, and a program started
// from a terminal should not fill it.
Q_LOGGING_CATEGORY(lcTrace, "zq40613.trace", QtInfoMsg)
