#include "trace.h"

Q_LOGGING_CATEGORY(lcTrace, "zq40613.trace")
