// SPDX-License-Identifier: MIT
// A game on the virtual clock that a test drives by hand: the one replayer over a script that
// holds only settings (clock, date, random values), what the window would show printed as the
// simulator prints it.
#pragma once

#include <sstream>
#include <string>

#include "game/VirtualDriver.h"
#include "sim/BoardText.h"
#include "sim/Playback.h"
#include "sim/ScriptEffects.h"
#include "sim/ScriptSource.h"

namespace gyrolap::testing {

struct HandPlayed {
    explicit HandPlayed(sim::Script settings)
        : script(std::move(settings)),
          clock(script.Clock()),
          effects(clock, &out),
          playback(script, clock, effects) {}

    Game& game() { return playback.game(); }
    // Prints the board as a `snap` line now.
    void Snap() {
        out << clock.Now() << " snap " << sim::DescribeBoard(game().board(), game().MessageOpen())
            << '\n';
    }

    sim::WholeScript script;
    VirtualDriver clock;
    std::ostringstream out;
    sim::ScriptEffects effects;
    sim::Playback playback;
};

}  // namespace gyrolap::testing
