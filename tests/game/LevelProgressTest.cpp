// SPDX-License-Identifier: MIT
// Whole runs played by a perfect player: ten hits finish a level, level 6 never ends, and the
// step delay shrinks to its floor.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Play.h"

namespace gyrolap::testing {
namespace {

TEST(LevelProgress, TheTenthHitLaysOutTheNextLevelAndKeepsTheScore) {
    Play play(ManyDraws(100));
    std::vector<float> delays;  // after each hit
    play.PlayPerfectly(1'000'000, [&] {
        const auto hits = static_cast<std::size_t>(play.state().HitCount);
        if (hits > delays.size()) delays.push_back(play.state().StepDelay);
        return play.state().Level == 2;
    });
    ASSERT_EQ(play.state().Level, 2);
    // The Start draws 0.25, the hits 0.75, 0.25, ... alternately: nine tenths of the delay, less
    // one millisecond on every other hit, kept in single precision (worked by hand).
    const std::vector<float> worked{89.0f,       80.0999985f, 71.0899963f, 63.9809952f, 56.5828972f,
                                    50.9246063f, 44.8321457f, 40.3489304f, 35.3140373f};
    EXPECT_EQ(delays, worked);
    EXPECT_EQ(play.board().cmdAction, "Start");
    EXPECT_FALSE(play.state().Running);
    EXPECT_EQ(play.state().HitCount, 0.0f);
    EXPECT_EQ(play.board().lblScores[1], "10");
    EXPECT_EQ(play.board().lblScoreTemp, "10");
    EXPECT_EQ(play.board().shapeCurrentPath, (Point{453, 176}));
    // The balls now reveal the triangle; once the animation is over, the particle has stopped.
    play.AdvanceTo(play.Now() + 1700);
    EXPECT_EQ(play.Shown(), -1);
    EXPECT_TRUE(play.game().scheduler().Idle());
    EXPECT_FALSE(play.MessageOpen());
    // The next Start begins at 100 ms again, keeps the score and does not reset the label.
    play.Press(play.Now());
    EXPECT_EQ(play.state().StepDelay, 100.0f);
    EXPECT_EQ(play.board().lblScores[1], "10");
    EXPECT_EQ(play.state().Level, 2);
}

TEST(LevelProgress, TheTenthHitOnLevelTwoCountsTwenty) {
    Play play(ManyDraws(100));
    play.PlayPerfectly(1'000'000, [&] { return play.state().Level == 3; });
    EXPECT_EQ(play.board().lblScores[1], "20");
}

TEST(LevelProgress, LevelSixGoesOnPastTenHitsToTheDelayFloor) {
    Play play(ManyDraws(400));
    play.PlayPerfectly(10'000'000,
                       [&] { return play.state().Level == 6 && play.state().HitCount >= 60; });
    ASSERT_EQ(play.state().Level, 6);
    EXPECT_EQ(play.state().HitCount, 60.0f);
    EXPECT_TRUE(play.state().Running);
    EXPECT_EQ(play.board().cmdAction, "Accelerate");
    EXPECT_EQ(play.board().lblScores[1], "110");
    EXPECT_EQ(play.board().lblScoreTemp, "110");
    for (int i = 1; i <= 32; ++i)
        EXPECT_EQ(play.board().imgBall[static_cast<std::size_t>(i)].picture, 10);
    // 100 * 0.9^60 is far below 1: the delay stays on its floor.
    EXPECT_EQ(play.state().StepDelay, 1.0f);
    EXPECT_FALSE(play.MessageOpen());
}

TEST(LevelProgress, TheDelayNeverFallsBelowOneMillisecond) {
    Play play(ManyDraws(400));
    float lowest = 100;
    play.PlayPerfectly(10'000'000, [&] {
        if (play.state().Running) lowest = std::min(lowest, play.state().StepDelay);
        return play.state().Level == 6 && play.state().HitCount >= 40;
    });
    EXPECT_EQ(lowest, 1.0f);
}

TEST(LevelProgress, ColourStepsFollowTheHitsOfTheLevel) {
    // After the n-th good press of a level every ball shows colour n.
    Play play(ManyDraws(100));
    int lastHits = 0;
    bool allMatched = true;
    play.PlayPerfectly(1'000'000, [&] {
        const int hits = static_cast<int>(play.state().HitCount);
        if (hits != lastHits && hits > 0 && play.state().Running) {
            for (int i = 1; i <= 32; ++i)
                allMatched &= play.board().imgBall[static_cast<std::size_t>(i)].picture == hits;
        }
        lastHits = hits;
        return play.state().Level == 2;
    });
    EXPECT_TRUE(allMatched);
}

}  // namespace
}  // namespace gyrolap::testing
