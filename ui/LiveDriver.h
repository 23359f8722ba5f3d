// SPDX-License-Identifier: MIT
// The game played live in its window: the game runs on a thread of its own on the clock it is
// handed, where its waits end on time whatever the window is painting; the window's presses and
// clicks reach it with the clock's reading of the moment they arrived, and the window paints the
// snapshots it publishes.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "game/Clock.h"
#include "game/Game.h"
#include "game/GameThread.h"
#include "game/Input.h"
#include "ui/WindowDriver.h"

namespace gyrolap {

class LiveDriver final : public WindowDriver {
    Q_OBJECT
  public:
    // The game, its clock, its effects and the window must outlive the driver.
    LiveDriver(Game& game, GameClock& clock, QtEffects& effects, MainWindow& window,
               QObject* parent = nullptr);
    ~LiveDriver() override;

    // One input, read against the clock now: the window's presses and clicks come this way,
    // and so do the wake-ups of a clock that does not wake the game's thread itself.
    void Deliver(Input input);

    // Close: nothing more is delivered, no wait resumes, the game's log hears the final board.
    void Quit() override;

    // Runs `hook` on the game's own thread as it starts, before the game loads: for what
    // concerns that thread alone, such as asking for its real-time scheduling. Call before
    // Start.
    void OnGameThreadStart(std::function<void()> hook) { onGameThreadStart_ = std::move(hook); }

  private:
    void Begin() override;
    void TakeSnapshot();

    Game& game_;
    GameClock& clock_;
    std::unique_ptr<GameThread> thread_;
    std::function<void()> onGameThreadStart_;
    std::atomic<bool> snapshotPending_{false};
};

}  // namespace gyrolap
