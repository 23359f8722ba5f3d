// SPDX-License-Identifier: MIT
// Runs a game on a virtual clock that moves only when told to: the simulator and the tests play
// whole games with it in no time, exactly as the window would play them.
#pragma once

#include <cstdint>

#include "game/Game.h"

namespace gyrolap {

class VirtualDriver {
  public:
    // `clockAtStart` is the 32-bit clock's reading at virtual time 0.
    explicit VirtualDriver(std::uint32_t clockAtStart = 0) : clockAtStart_(clockAtStart) {}

    // Milliseconds since start-up.
    std::uint64_t Now() const noexcept { return now_; }
    // The reading handed to the game: its low 32 bits are the wrapping clock.
    std::uint64_t Reading() const noexcept { return clockAtStart_ + now_; }

    // Start-up at virtual time 0.
    void Load(Game& game) { game.Load(Reading()); }

    // Move the clock to `time`. With `wakeAtDeadlines`, every wait that falls due on the way
    // ends at its own millisecond, as a timer that is never late ends it; at `time` itself due
    // waits end before the caller delivers anything. Without, waits end only when an input or
    // a WakeUp is delivered, as a recording says they did.
    void AdvanceTo(Game& game, std::uint64_t time, bool wakeAtDeadlines = true);

    // One input now.
    bool Deliver(Game& game, Input input) { return game.Deliver(input, Reading()); }

  private:
    std::uint64_t clockAtStart_;
    std::uint64_t now_ = 0;
};

}  // namespace gyrolap
