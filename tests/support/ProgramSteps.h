// SPDX-License-Identifier: MIT
// Steps of a whole GameProgram on a clock the test moves: the tests of the program and of the
// game on a Wayland compositor both play it this way.
#pragma once

#include <cstdint>

#include "app/GameProgram.h"
#include "support/MovedClock.h"

namespace gyrolap::testing {

// The game's thread has handled what it was given, and the window has done what it asked.
inline void Sync(GameProgram& program, MovedClock& clock) {
    clock.WaitIdle();
    program.effects().windowThread().RunPending();
}

// The clock moves on; the test plays the timer, waking the game every millisecond.
inline void Advance(GameProgram& program, MovedClock& clock, std::uint64_t ms) {
    for (std::uint64_t i = 0; i < ms; ++i) {
        ++clock.now;
        program.live()->Deliver(Input::WakeUp);
        Sync(program, clock);
    }
}

}  // namespace gyrolap::testing
