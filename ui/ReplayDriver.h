// SPDX-License-Identifier: MIT
// A recording (or any simulator script) played back in the window at its real speed, on the
// window's thread: the one replayer's game on the virtual clock, paced by the clock it is
// handed, so every board is exactly the recorded one; boxes open and close when they did, the
// player's presses and clicks do nothing, and when the playback is over its last board stays.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "game/Clock.h"
#include "game/VirtualDriver.h"
#include "sim/Playback.h"
#include "sim/ScriptSource.h"
#include "ui/WakeUpTimer.h"
#include "ui/WindowDriver.h"

namespace gyrolap {

class ReplayDriver final : public WindowDriver {
    Q_OBJECT
  public:
    // The effects watch (QtEffects::Mode::Watching); they, the clock and the window must
    // outlive the driver. A clock that wakes itself is the steady clock's count (SteadyClock):
    // the driver sleeps until each happening's instant on it. Whoever moves any other clock
    // calls PlayDue.
    ReplayDriver(std::unique_ptr<sim::ScriptSource> script, GameClock& clock, QtEffects& effects,
                 MainWindow& window, QObject* parent = nullptr);
    ~ReplayDriver() override;

    // Plays everything due by the clock's reading now, and sleeps until the next happening.
    void PlayDue();
    // When the next happening is due, on the clock; nothing once the playback is over.
    std::optional<std::uint64_t> NextWake();
    bool Over() { return !NextWake(); }

    void Quit() override;

  private:
    void Begin() override;

    std::unique_ptr<sim::ScriptSource> script_;
    GameClock& clock_;
    VirtualDriver virtualClock_;
    sim::Playback playback_;
    WakeUpTimer wakeUp_;
    std::uint64_t start_ = 0;
};

}  // namespace gyrolap
