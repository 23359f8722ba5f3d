// The game: its state, its board and the handlers that play it, run on the activity stack.
// Hosts (the Qt window, the simulator, the tests) deliver events through the On* methods.
#pragma once

#include <string_view>

#include "game/Board.h"
#include "game/GameState.h"
#include "game/Platform.h"
#include "game/Scheduler.h"
#include "game/Task.h"

namespace gyrolap {

inline constexpr std::string_view kStartCaption = "Start";
inline constexpr std::string_view kAccelerateCaption = "Accelerate";
inline constexpr std::string_view kGameTitle = "Gyrolap";
inline constexpr std::string_view kMissText =
    "Oops, click 'Accelerate' when the particle is in the ring.";
inline constexpr float kAnimationStepMs = 50;

class Game {
  public:
    explicit Game(Platform& platform) : platform_(platform), scheduler_(platform) {}

    GameState& state() noexcept { return state_; }
    const GameState& state() const noexcept { return state_; }
    Board& board() noexcept { return board_; }
    const Board& board() const noexcept { return board_; }
    Scheduler& scheduler() noexcept { return scheduler_; }
    Platform& platform() noexcept { return platform_; }

    // Start-up in two halves, so the window can set its caption from the version and show
    // itself in between: the state first, then the reset with the level 1 animation.
    void PrepareLoad();
    void OnLoad() { scheduler_.Start(ResetGame()); }

    // A key or mouse press at the action button, or a mouse press on the ring.
    void OnActionPress() { scheduler_.Start(PressAction()); }
    void OnSubmitClick() { scheduler_.Start(SubmitScore()); }

    // The handlers, named as the players' rules name them.
    Task PressAction();
    Task ResetGame();
    Task SetUpPath();
    Task SubmitScore();

  private:
    BallView& Ball(std::int32_t index);

    Platform& platform_;
    GameState state_;
    Board board_;
    // Declared last so that it is destroyed first: suspended handlers still refer to the state.
    Scheduler scheduler_;
};

}  // namespace gyrolap
