// SPDX-License-Identifier: MIT
// Plays a script's events against a game on the virtual clock, one happening at a time, so that
// the simulator can run it through at once and the window can pace it in real time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "game/Game.h"
#include "game/VirtualDriver.h"
#include "sim/ScriptSource.h"

namespace gyrolap::sim {

class Playback {
  public:
    // Called for every `snap` event, at its time.
    using SnapHandler = std::function<void(std::uint64_t time)>;

    // The source, the game and the driver must outlive the playback.
    Playback(ScriptSource& source, Game& game, VirtualDriver& driver, SnapHandler onSnap)
        : source_(source), game_(game), driver_(driver), onSnap_(std::move(onSnap)) {}

    // Start-up at 0 ms: the reset and the level 1 animation.
    void Load();

    // When the next thing happens (an event, or a wait that ends, in milliseconds since
    // start-up), or nothing once the script's end has been played.
    std::optional<std::uint64_t> Next();

    // Plays every happening up to `time` (at most the script's end), each at its own millisecond.
    void RunTo(std::uint64_t time);

    bool Over() { return !source_.Peek() && driver_.Now() >= source_.End(); }

  private:
    ScriptSource& source_;
    Game& game_;
    VirtualDriver& driver_;
    SnapHandler onSnap_;
};

}  // namespace gyrolap::sim
