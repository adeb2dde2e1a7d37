// SPDX-License-Identifier: GPL-3.0-or-later
#include "userboard.h"

#include <cstdlib>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace sim {

namespace {

unsigned long userId()
{
#ifdef _WIN32
    return 0;
#else
    return static_cast<unsigned long>(::geteuid());
#endif
}

} // namespace

// Opened at the first call, so the state file named by the environment at
// that moment is the one this process uses for its whole life.
SharedState &userBoard()
{
    static SharedState instance(stateFilePath(std::getenv(stateFileVariable),
                                              std::getenv(runtimeDirVariable), userId()),
                                BoardModel::isSound,
                                [](BoardState &state) { BoardModel(state).powerOn(defaultPart); });
    return instance;
}

} // namespace sim
