// SPDX-License-Identifier: MIT
// The one replayer: plays a script's events against a game of its own on the virtual clock,
// answering the game's random values and dates from the script. The simulator runs it through
// at once, a check plays it unseen, the window paces it in real time, and the tests drive its
// game by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>

#include "game/Game.h"
#include "game/Ports.h"
#include "game/VirtualDriver.h"
#include "sim/ScriptSource.h"

namespace gyrolap::sim {

class Playback final : public Sources {
  public:
    // Called for every `snap` event, at its time, with the game to look at.
    using SnapHandler = std::function<void(std::uint64_t time, const Game& game)>;

    // The script, the clock (made at the script's Clock()) and the effects (what the game does
    // to the world: the simulator's printed lines, the window's boxes) must outlive the playback.
    Playback(ScriptSource& script, VirtualDriver& clock, Effects& effects, SnapHandler onSnap = {})
        : script_(script), clock_(clock), onSnap_(std::move(onSnap)), game_(*this, effects) {}

    Game& game() noexcept { return game_; }
    const Game& game() const noexcept { return game_; }
    // Milliseconds since start-up.
    std::uint64_t Now() const noexcept { return clock_.Now(); }

    // Start-up at 0 ms: the reset and the level 1 animation.
    void Load() { clock_.Load(game_); }

    // When the next thing happens (an event, or a wait that ends, in milliseconds since
    // start-up), or nothing once the script's end has been played.
    std::optional<std::uint64_t> Next();

    // Plays every happening up to `time` (at most the script's end), each at its own millisecond.
    void RunTo(std::uint64_t time);
    void RunToEnd() { RunTo(std::numeric_limits<std::uint64_t>::max()); }

    bool Over() { return !script_.Peek() && clock_.Now() >= script_.End(); }

    // By hand: the clock runs to `time`, waits ending on the way as the script's kind says (at
    // their deadlines, or in a recording only when something is delivered); one input now.
    void AdvanceTo(std::uint64_t time) { clock_.AdvanceTo(game_, time, !script_.Recorded()); }
    bool Deliver(Input input) { return clock_.Deliver(game_, input); }

    // The game's sources: the script's values in order, and its date as it stands now.
    float NextRandom() override { return script_.NextRandom(); }
    std::string ShortDate() override { return script_.Date(clock_.Now()); }

  private:
    ScriptSource& script_;
    VirtualDriver& clock_;
    SnapHandler onSnap_;
    Game game_;
};

}  // namespace gyrolap::sim
