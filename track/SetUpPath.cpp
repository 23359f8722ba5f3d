// Laying out the current level's track, then revealing it ball by ball, 50 ms apart.
#include "game/Game.h"
#include "track/LevelLayouts.h"

namespace gyrolap {

Task Game::SetUpPath() {
    GameState& s = state_;
    for (s.LoopIndex = 1; s.LoopIndex <= kBallCount; ++s.LoopIndex)
        Ball(s.LoopIndex).visible = false;
    s.HitCount = 0;

    // Any other level keeps the previous track in place; the callers never ask for one.
    if (const LevelLayout* layout = LayoutForLevel(s.Level)) {
        board_.shapeCurrentPath = {layout->markerLeft, layout->markerTop};
        s.PathLength = layout->pathLength;
        s.PathOffsetX = layout->offsetX;
        s.PathOffsetY = layout->offsetY;
        for (int i = 1; i <= kBallCount; ++i) {
            const Offset& offset = layout->positions[static_cast<std::size_t>(i - 1)];
            Ball(i).pos = {s.PathOffsetX + offset.dx, s.PathOffsetY + offset.dy};
            s.RingFlags[static_cast<std::size_t>(i)] = IsRingPosition(*layout, i);
        }
        const Point target = Ball(layout->ringPositions[0]).pos;
        board_.imgTarget = {target.left - 4, target.top - 3};
    }
    board_.lblScoreTempPos = {board_.imgTarget.left + 6, board_.imgTarget.top + 10};

    // The wait lets every other action run inside it. A nested Start runs its own loops over
    // the balls and leaves the shared counter past 32, so the animation then stops after its
    // current ball: the new run has hidden the balls anyway.
    for (s.LoopIndex = 1; s.LoopIndex <= kBallCount; ++s.LoopIndex) {
        BallView& ball = Ball(s.LoopIndex);
        ball.picture = s.ColourWave.at(static_cast<std::size_t>(s.LoopIndex));
        ball.visible = true;
        s.StepStart = Clock();
        co_await scheduler_.WaitClock(s.StepStart, kAnimationStepMs);
    }
}

}  // namespace gyrolap
