// SPDX-License-Identifier: MIT
// Handlers nested inside waits: a Start during an animation, the shared StepStart and loop
// counter, and how the suspended handlers below end once everything above them has.
#include <gtest/gtest.h>

#include "Play.h"

namespace gyrolap::testing {
namespace {

TEST(Nesting, AStartDuringTheStartupAnimationRunsAtOnceAndTheAnimationDoesNotGoOn) {
    Play play({0.6f});  // start 5
    play.Press(1000);   // ball 21 of the animation has just shown
    EXPECT_EQ(play.board().cmdAction, "Accelerate");
    EXPECT_EQ(play.Shown(), 6);
    EXPECT_EQ(play.game().scheduler().Depth(), 2u);
    play.Press(2000);  // ball 16: a miss
    play.Ok(2100);     // the reset lays out level 1 again, 2100 .. 3700
    play.AdvanceTo(3700);
    EXPECT_EQ(play.Shown(), -1);
    // The run's last wait measures from the StepStart the animation wrote at 3650 and lasts
    // its own 100 ms; then the start-up animation ends after its current ball, as the nested
    // loops left the shared counter past 32. Had it gone on, it would run 11 balls more.
    play.AdvanceTo(3749);
    EXPECT_FALSE(play.game().scheduler().Idle());
    play.AdvanceTo(3750);
    EXPECT_TRUE(play.game().scheduler().Idle());
    EXPECT_GT(play.state().LoopIndex, 32);
}

TEST(Nesting, AStartDuringALevelChangeAnimationStartsTheNextLevelAtOnce) {
    Play play(ManyDraws(100));
    // Play until the tenth hit has begun laying out level 2.
    play.PlayPerfectly(1'000'000, [&] { return play.state().Level == 2; });
    const std::uint64_t changed = play.Now();
    EXPECT_FALSE(play.game().scheduler().Idle());
    play.AdvanceTo(changed + 500);
    play.Press(changed + 500);
    EXPECT_EQ(play.board().cmdAction, "Accelerate");
    EXPECT_EQ(play.state().Level, 2);
    EXPECT_EQ(play.state().StepDelay, 100.0f);
    EXPECT_GE(play.Shown(), 1);
    // Let the new run end by the lap limit and close the box: level 1 again, all shown.
    play.AdvanceTo(changed + 500 + 3400);
    ASSERT_TRUE(play.MessageOpen());
    play.Ok(play.Now());
    play.AdvanceTo(play.Now() + 1700);
    EXPECT_EQ(play.state().Level, 1);
    EXPECT_EQ(play.Shown(), -1);
    EXPECT_TRUE(play.game().scheduler().Idle());
    // The ten points of the finished level were entered on the board.
    EXPECT_EQ(play.board().lblScores[2], "10");
}

TEST(Nesting, ALevelChangeLeavesTheOuterRunToEndAfterItsWait) {
    Play play(ManyDraws(100));
    play.PlayPerfectly(1'000'000, [&] { return play.state().Level == 2; });
    // The outer run loop is below the press that changed the level, waiting its step out.
    EXPECT_EQ(play.game().scheduler().Depth(), 2u);
    play.AdvanceTo(play.Now() + 1600);
    EXPECT_TRUE(play.game().scheduler().Idle());
    EXPECT_FALSE(play.state().Running);
    EXPECT_FALSE(play.state().HitLatch);
}

TEST(Nesting, PlayersCanNestGamesAsDeepAsTheyLike) {
    // Each game ends by the lap limit; its reset animation is interrupted by the next Start.
    // Every interrupted game stays suspended underneath until the top one lets go, however
    // deep the player goes.
    Play play(std::vector<float>(200, 0.0f));
    play.AdvanceTo(1600);
    std::uint64_t t = 1600;
    for (int game = 0; game < 100; ++game) {
        play.Press(t);      // start 1: the lap limit strikes at t + 3200
        play.Ok(t + 3200);  // the reset's animation begins
        t += 3200 + 500;
        play.AdvanceTo(t);
    }
    EXPECT_EQ(play.game().scheduler().Depth(), 100u);
    // The last reset animation ends at t + 1100; its run loop then takes a fresh StepStart and
    // waits out one more 100 ms step, to t + 1200. Each game below then ends its animation
    // after the current ball and its run loop does the same: 99 more steps, none with a
    // visible effect.
    play.AdvanceTo(t + 1200 + 99 * 100 - 1);
    EXPECT_EQ(play.game().scheduler().Depth(), 1u);
    play.AdvanceTo(t + 1200 + 99 * 100);
    EXPECT_TRUE(play.game().scheduler().Idle());
    EXPECT_EQ(play.board().cmdAction, "Start");
    EXPECT_EQ(play.Shown(), -1);
}

}  // namespace
}  // namespace gyrolap::testing
