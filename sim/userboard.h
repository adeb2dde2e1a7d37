// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ZQ40613_SIM_USERBOARD_H
#define ZQ40613_SIM_USERBOARD_H

#include "boardmodel.h"
#include "sharedstate.h"

namespace sim {

// The one simulated board of the user: the state file the environment names
// at the first call (sharedstate.h), kept with the board model's checks and
// power-on state. The simulated controller library and zq40613-sim both act
// on it, so they always agree on which board they mean.
SharedState &userBoard();

// Runs call on the model of the shared board; false when there is no board
// to run it on.
template<typename Call>
bool withBoard(Call call)
{
    return userBoard().update([&](BoardState &state) {
        BoardModel model(state);
        call(model);
    });
}

} // namespace sim

#endif
