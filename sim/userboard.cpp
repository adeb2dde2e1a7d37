// SPDX-License-Identifier: GPL-3.0-or-later
#include "userboard.h"

namespace sim {

// Opened at the first call, so the state file named by the environment at
// that moment is the one this process uses for its whole life.
SharedState &userBoard()
{
    static SharedState instance(userStateFilePath(), BoardModel::isSound,
                                [](BoardState &state) { BoardModel(state).powerOn(defaultPart); });
    return instance;
}

} // namespace sim
