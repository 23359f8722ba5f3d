// SPDX-License-Identifier: MIT
// The run loop: when the particle steps, what a press does in and out of the ring, the lap
// limit, and the step delay. Times are worked out by hand from the game's timing: the start-up
// animation ends at 1600 ms, a run shows its first ball at the Start and steps every StepDelay.
#include <gtest/gtest.h>

#include "Play.h"

namespace gyrolap::testing {
namespace {

bool BoxOpenedAt(Play& play, std::uint64_t time) {
    return play.Output().find(std::to_string(time) +
                              " box Gyrolap|Oops, click 'Accelerate' when "
                              "the particle is in the ring.\n") != std::string::npos;
}

TEST(RunLoop, StartShowsTheBallAfterTheDrawnStartAndStepsEvery100Ms) {
    Play play({0.3f});  // floor(0.3 * 8) + 1 = 3
    play.Press(2000);
    EXPECT_EQ(play.board().cmdAction, "Accelerate");
    EXPECT_EQ(play.Shown(), 4);
    EXPECT_EQ(play.state().StepDelay, 100.0f);
    for (int k = 0; k < 5; ++k) {
        play.AdvanceTo(2000 + 100 * k + 99);
        EXPECT_EQ(play.Shown(), 4 + k) << k;
        play.AdvanceTo(2000 + 100 * (k + 1));
        EXPECT_EQ(play.Shown(), 5 + k) << k;
    }
    // Every ball carries the first colour once the run has started.
    for (int i = 1; i <= 32; ++i)
        EXPECT_EQ(play.board().imgBall[static_cast<std::size_t>(i)].picture, 1);
}

struct LapCase {
    float draw;             // the Start's draw
    std::uint64_t passOne;  // when the particle stands on ball 1 with 32 steps counted
};

class LapLimit : public ::testing::TestWithParam<LapCase> {};

TEST_P(LapLimit, PassesBallOneOnceAndEndsTheGameOneStepLater) {
    const LapCase c = GetParam();
    Play play({c.draw});
    play.Press(2000);
    play.AdvanceTo(c.passOne);
    EXPECT_EQ(play.Shown(), 1);
    EXPECT_EQ(play.state().StepsSinceHit, 32);
    EXPECT_FALSE(play.MessageOpen());
    play.AdvanceTo(c.passOne + 99);
    EXPECT_FALSE(play.MessageOpen());
    play.AdvanceTo(c.passOne + 100);
    EXPECT_EQ(play.Shown(), 2);
    EXPECT_EQ(play.state().StepsSinceHit, 33);
    EXPECT_TRUE(play.MessageOpen());
    EXPECT_TRUE(BoxOpenedAt(play, c.passOne + 100));
    // The particle stands still while the box is open.
    play.AdvanceTo(c.passOne + 5000);
    EXPECT_EQ(play.Shown(), 2);
    EXPECT_EQ(play.board().cmdAction, "Accelerate");
    // Closed: the reset has run, level 1 is laid out again and the button reads Start.
    play.Ok(c.passOne + 5000);
    EXPECT_EQ(play.board().cmdAction, "Start");
    EXPECT_FALSE(play.state().Running);
    EXPECT_EQ(play.state().Level, 1);
}

INSTANTIATE_TEST_SUITE_P(StartPositions, LapLimit,
                         ::testing::Values(LapCase{0.0f, 5100},    // start 1, first shown 2
                                           LapCase{0.5f, 4700},    // start 5, first shown 6
                                           LapCase{0.99f, 4400}),  // start 8, first shown 9
                         [](const ::testing::TestParamInfo<LapCase>& info) {
                             return "BallOneAt" + std::to_string(info.param.passOne);
                         });

TEST(RunLoop, APressOnTheLastAllowedStepIsStillInTime) {
    // Start 1: ball 1 shows at 5100 with 32 steps counted; a hit there makes the delay 90,
    // so ball 2 comes at 5190 and ball 1 again at 5190 + 31 * 90 = 7980, the 32nd step.
    Play play({0.0f, 0.0f, 0.0f});
    play.Press(2000);
    play.Press(5100);
    EXPECT_EQ(play.state().HitCount, 1.0f);
    EXPECT_EQ(play.state().StepDelay, 90.0f);
    play.AdvanceTo(5189);
    EXPECT_EQ(play.Shown(), 1);
    play.AdvanceTo(5190);
    EXPECT_EQ(play.Shown(), 2);
    play.AdvanceTo(7980);
    EXPECT_EQ(play.Shown(), 1);
    EXPECT_EQ(play.state().StepsSinceHit, 32);
    play.Press(7980);
    EXPECT_FALSE(play.MessageOpen());
    EXPECT_EQ(play.state().HitCount, 2.0f);
    EXPECT_EQ(play.state().StepsSinceHit, 0);
}

TEST(RunLoop, WithoutThatPressTheNextStepEndsTheGame) {
    Play play({0.0f, 0.0f});
    play.Press(2000);
    play.Press(5100);
    play.AdvanceTo(8069);
    EXPECT_FALSE(play.MessageOpen());
    play.AdvanceTo(8070);
    EXPECT_TRUE(BoxOpenedAt(play, 8070));
}

TEST(RunLoop, TwoPressesInOneStepCountOneHit) {
    // Only two draws: a second counted hit would run out of random values.
    Play play({0.0f, 0.0f});
    play.Press(2000);
    play.Press(5120);
    play.Press(5150);
    EXPECT_EQ(play.state().HitCount, 1.0f);
    EXPECT_FALSE(play.MessageOpen());
    EXPECT_EQ(play.board().lblScores[1], "1");
    // The next step is outside the ring again: a press there is a miss.
    play.Press(5190);
    EXPECT_TRUE(BoxOpenedAt(play, 5190));
}

TEST(RunLoop, TheVeryFirstPressOutsideTheRingEndsTheGame) {
    Play play({0.0f});
    play.Press(2000);
    play.Press(2000);
    EXPECT_TRUE(BoxOpenedAt(play, 2000));
    EXPECT_EQ(play.board().lblScores[1], "0");
}

TEST(RunLoop, AHitShortensTheWaitAlreadyRunning) {
    // Ball 1 shows at 5100; the press at 5150 takes the delay to 89 (one extra millisecond),
    // so this very step ends at 5189, not 5200.
    Play play({0.0f, 0.5f});
    play.Press(2000);
    play.Press(5150);
    EXPECT_EQ(play.state().StepDelay, 89.0f);
    play.AdvanceTo(5188);
    EXPECT_EQ(play.Shown(), 1);
    play.AdvanceTo(5189);
    EXPECT_EQ(play.Shown(), 2);
}

TEST(RunLoop, AHitRecoloursWritesTheScoreAndAStartOnLevelOneClearsIt) {
    Play play({0.0f, 0.0f, 0.0f});
    play.Press(2000);
    play.Press(5100);
    for (int i = 1; i <= 32; ++i)
        EXPECT_EQ(play.board().imgBall[static_cast<std::size_t>(i)].picture, 1);
    EXPECT_EQ(play.board().lblScores[1], "1");
    EXPECT_EQ(play.board().lblScoreTemp, "1");
    play.Press(5190);  // miss: the board keeps "1" as the current score
    play.Ok(5300);
    EXPECT_EQ(play.board().lblScores[1], "1");
    EXPECT_EQ(play.board().lblScores[2], "1");
    play.AdvanceTo(7000);
    play.Press(7000);
    EXPECT_EQ(play.board().lblScores[1], "0");
}

TEST(RunLoop, SubmitDuringARunHoldsTheParticleUntilTheBoxIsClosed) {
    Play play({0.0f, 0.5f});
    play.Press(2000);
    play.AdvanceTo(2350);
    EXPECT_EQ(play.Shown(), 5);
    play.Submit(2350);
    EXPECT_TRUE(play.MessageOpen());
    // Presses do not reach a window blocked by the box.
    play.Press(2500);  // ball 5 is outside the ring: it would have been a miss
    EXPECT_EQ(play.Output().find("Oops"), std::string::npos);
    play.AdvanceTo(3000);
    EXPECT_EQ(play.Shown(), 5);
    // Closed at 3000: the step that began at 2300 is long due and follows at once.
    play.Ok(3000);
    EXPECT_EQ(play.Shown(), 6);
    play.AdvanceTo(3099);
    EXPECT_EQ(play.Shown(), 6);
    play.AdvanceTo(3100);
    EXPECT_EQ(play.Shown(), 7);
}

TEST(RunLoop, RunsTheSameWhereverTheClockWraps) {
    // The same game from clock readings that wrap before, during and after the run.
    const std::vector<std::uint32_t> starts = {0u, 0xFFFFFFFFu - 1000, 0xFFFFFFFFu - 3000,
                                               0xFFFFFFFFu - 5150, 0xFFFFFFFFu};
    std::vector<std::string> outputs;
    for (std::uint32_t clock : starts) {
        Play play({0.0f, 0.5f, 0.5f}, clock);
        play.Press(2000);
        play.Press(5150);
        play.AdvanceTo(7900);
        play.Press(7900);  // a miss, some steps after the hit
        std::ostringstream seen;
        seen << play.Output() << " shown=" << play.Shown() << " delay=" << play.state().StepDelay
             << " hits=" << play.state().HitCount;
        outputs.push_back(seen.str());
    }
    for (std::size_t i = 1; i < outputs.size(); ++i) EXPECT_EQ(outputs[i], outputs[0]) << starts[i];
    EXPECT_NE(outputs[0].find("box Gyrolap"), std::string::npos);
}

}  // namespace
}  // namespace gyrolap::testing
