// SPDX-License-Identifier: MIT
// Plays a script's events against a game on the virtual clock, one happening at a time, so that
// the simulator can run it through at once and the window can pace it in real time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "game/Game.h"
#include "game/VirtualDriver.h"
#include "sim/Script.h"

namespace gyrolap::sim {

// The game's input an event stands for; nothing for a snap, which only looks.
std::optional<Input> InputFor(EventKind kind);

class Playback {
  public:
    // Called for every `snap` event, at its time.
    using SnapHandler = std::function<void(std::uint64_t time)>;

    // The script, the game and the driver must outlive the playback.
    Playback(const Script& script, Game& game, VirtualDriver& driver, SnapHandler onSnap)
        : script_(script), game_(game), driver_(driver), onSnap_(std::move(onSnap)) {}

    // Start-up at 0 ms: the reset and the level 1 animation.
    void Load();

    // When the next thing happens (an event, or a wait that ends, in milliseconds since
    // start-up), or nothing once the script's end has been played.
    std::optional<std::uint64_t> Next() const;

    // Plays every happening up to `time` (at most the script's end), each at its own millisecond.
    void RunTo(std::uint64_t time);

    bool Over() const noexcept { return driver_.Now() >= script_.end && !NextEventDue(); }

  private:
    bool NextEventDue() const;

    const Script& script_;
    Game& game_;
    VirtualDriver& driver_;
    SnapHandler onSnap_;
    std::size_t nextEvent_ = 0;
};

}  // namespace gyrolap::sim
