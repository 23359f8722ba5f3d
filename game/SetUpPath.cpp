// SPDX-License-Identifier: MIT
// Laying out the current level's track, then revealing it ball by ball.
#include "game/Game.h"
#include "game/PlaceLevel.h"

namespace gyrolap {

Task Game::SetUpPath() {
    GameState& s = state_;
    for (s.LoopIndex = 1; s.LoopIndex <= kBallCount; ++s.LoopIndex)
        Ball(s.LoopIndex).visible = false;
    s.HitCount = 0;

    // Any other level keeps the previous track in place; the callers never ask for one.
    if (const LevelLayout* layout = LayoutForLevel(s.Level))
        PlaceLevel(board_, s, *layout);
    else
        board_.lblScoreTempPos = Moved(board_.imgTarget, kScoreLabelFromRing);

    // The wait lets every other action run inside it. A nested Start runs its own loops over
    // the balls and leaves the shared counter past the last ball, so the animation then stops
    // after its current ball: the new run has hidden the balls anyway.
    for (s.LoopIndex = 1; s.LoopIndex <= kBallCount; ++s.LoopIndex) {
        BallView& ball = Ball(s.LoopIndex);
        ball.picture = s.ColourWave.at(static_cast<std::size_t>(s.LoopIndex));
        ball.visible = true;
        s.StepStart = Clock();
        co_await scheduler_.WaitClock(s.StepStart, kAnimationStepMs);
    }
}

}  // namespace gyrolap
