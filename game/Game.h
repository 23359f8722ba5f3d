// SPDX-License-Identifier: MIT
// The game: its state, its board and the handlers that play it, run on the activity stack.
// Made ready to play; every driver (the window, the simulator, a replay) starts it with Load and
// then hands it each input through Deliver, with the clock reading of the moment the input
// arrived, and shows what Snapshot says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "game/Board.h"
#include "game/GameState.h"
#include "game/Input.h"
#include "game/Ports.h"
#include "game/Rules.h"
#include "game/Scheduler.h"
#include "game/SessionLog.h"
#include "game/Snapshot.h"
#include "game/Task.h"

namespace gyrolap {

inline constexpr std::string_view kStartCaption = "Start";
inline constexpr std::string_view kAccelerateCaption = "Accelerate";
inline constexpr std::string_view kGameTitle = "Gyrolap";
inline constexpr std::string_view kMissText =
    "Oops, click 'Accelerate' when the particle is in the ring.";

class Game {
  public:
    Game(Sources& sources, Effects& effects);

    GameState& state() noexcept { return state_; }
    const GameState& state() const noexcept { return state_; }
    Board& board() noexcept { return board_; }
    const Board& board() const noexcept { return board_; }
    Scheduler& scheduler() noexcept { return scheduler_; }
    const Scheduler& scheduler() const noexcept { return scheduler_; }

    // Everything the session is given from now on is told to `log` too (nullptr: nothing is).
    void SetLog(SessionLog* log) noexcept { log_ = log; }

    // Times are milliseconds on the driver's clock, a count that does not wrap; the game's own
    // clock is its low 32 bits, which wrap every 49.7 days: every wait measures across the
    // wrap, so a session left open that long plays on as before.

    // Start-up at `now`: the reset, with the level 1 animation. The window shows itself first.
    void Load(std::uint64_t now);

    // The one door for inputs, with every input rule: waits that are over by `now` end first;
    // while a message box is open, presses and clicks do nothing; a close with no box open
    // does nothing. Says whether the input changed anything (a wake-up may find nothing due).
    bool Deliver(Input input, std::uint64_t now);

    // When the top activity's wait ends, on the same count as `now`, or nothing when no
    // activity waits on the clock. Deliver a WakeUp then.
    std::optional<std::uint64_t> NextWake() const;

    bool MessageOpen() const noexcept { return scheduler_.WaitingForMessage(); }

    // The board and state as they stand, with what the drivers and painters need beside them.
    Snapshot TakeSnapshot() const;

    // The session ends (the window closes): the log hears the final board, and every suspended
    // handler is dropped without resuming. Nothing is delivered afterwards.
    void Quit(std::uint64_t now);

    // The handlers, named after what they do on the window: the action button, the reset,
    // laying out the level's track, the Submit Score button.
    Task PressAction();
    Task ResetGame();
    Task SetUpPath();
    Task SubmitScore();

  private:
    BallView& Ball(std::int32_t index);
    // The clock reading of the input being delivered.
    std::uint32_t Clock() const noexcept { return scheduler_.Clock(); }
    void SetNow(std::uint64_t now);
    std::uint64_t SinceStart(std::uint64_t now) const noexcept {
        return now > startedAt_ ? now - startedAt_ : 0;
    }
    // The sources' random values and date, told to the log as they are read.
    float DrawRandom();
    std::string ReadDate();

    Sources& sources_;
    Effects& effects_;
    SessionLog* log_ = nullptr;
    GameState state_;
    Board board_;
    std::uint64_t startedAt_ = 0;
    std::uint64_t now_ = 0;
    std::uint64_t changes_ = 0;
    bool quitted_ = false;
    // Declared last so that it is destroyed first: suspended handlers still refer to the state.
    Scheduler scheduler_;
};

}  // namespace gyrolap
