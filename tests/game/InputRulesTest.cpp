// SPDX-License-Identifier: MIT
// The rules every input goes through at the game's one door, whoever delivers it: the clock
// reading it comes with decides what it meets, and an open message box takes presses and clicks.
#include <gtest/gtest.h>

#include <sstream>

#include "game/Game.h"
#include "game/VirtualDriver.h"
#include "sim/BoardText.h"
#include "support/HandPlayed.h"

namespace gyrolap {
namespace {

// A session whose waits end only when something is delivered, as in a recording: the test
// says when the timer wakes the game.
struct Door {
    Door() {
        settings.recorded = true;
        settings.randoms = {0.0f, 0.0f, 0.0f, 0.0f};  // start position 1, no extra millisecond
        played = std::make_unique<testing::HandPlayed>(settings);
        played->playback.Load();
        // The start-up animation, woken on time ball by ball.
        for (std::uint64_t t = 50; t <= 1600; t += 50) At(t, Input::WakeUp);
    }

    bool At(std::uint64_t time, Input input) {
        played->playback.AdvanceTo(time);
        return game().Deliver(input, played->clock.Reading());
    }
    Game& game() { return played->game(); }
    int Ball() { return game().state().BallIndex; }

    sim::Script settings;
    std::unique_ptr<testing::HandPlayed> played;
};

TEST(Door, AnInputMeetsTheBoardOfItsOwnClockReading) {
    // Start at 2000 shows the particle on ball 2; its steps end at 2100, 2200, ... The wake-up
    // for 2100 is late. A press read at 2099 still meets ball 2 ...
    struct Case {
        std::uint64_t pressAt;
        int judgedOn;
    };
    for (const Case c : {Case{2099, 2}, Case{2100, 3}}) {
        SCOPED_TRACE(c.pressAt);
        Door fresh;
        fresh.At(2000, Input::Press);
        fresh.At(c.pressAt, Input::Press);
        // ... and one read at 2100 meets ball 3, as if the wake-up had come on time: the wait
        // that is over ends before the press is judged. Either way it is a miss.
        EXPECT_TRUE(fresh.game().MessageOpen());
        EXPECT_EQ(fresh.Ball(), c.judgedOn);
    }
}

TEST(Door, AnOpenMessageBoxTakesPressesAndClicks) {
    Door door;
    auto At = [&door](std::uint64_t time, Input input) { return door.At(time, input); };
    auto game = [&door]() -> Game& { return door.game(); };
    auto& out = door.played->out;
    At(2000, Input::Press);
    At(2050, Input::Press);  // a miss: the box opens
    ASSERT_TRUE(game().MessageOpen());
    const std::string before = sim::DescribeBoard(game().board(), true);
    const std::string printed = out.str();
    EXPECT_FALSE(At(2060, Input::Press));
    EXPECT_FALSE(At(2070, Input::Submit));
    EXPECT_FALSE(At(2080, Input::WakeUp));
    EXPECT_EQ(sim::DescribeBoard(game().board(), true), before);
    EXPECT_EQ(out.str(), printed);  // no second box, nothing on the clipboard
    EXPECT_TRUE(At(2090, Input::MessageClosed));
    EXPECT_FALSE(game().MessageOpen());
    EXPECT_EQ(game().board().cmdAction, "Start");
    // A close with no box open changes nothing.
    EXPECT_FALSE(At(2100, Input::MessageClosed));
}

TEST(Door, AWakeUpSaysWhetherItEndedAWait) {
    Door door;
    door.At(2000, Input::Press);
    EXPECT_FALSE(door.At(2050, Input::WakeUp));  // nothing is due yet
    EXPECT_TRUE(door.At(2100, Input::WakeUp));
    EXPECT_EQ(door.Ball(), 3);
    EXPECT_EQ(door.game().NextWake(), door.played->clock.Reading() + 100);
}

TEST(Door, NothingIsDeliveredAfterQuitting) {
    Door door;
    door.At(2000, Input::Press);
    door.game().Quit(door.played->clock.Reading());
    EXPECT_FALSE(door.At(5000, Input::Press));
    EXPECT_FALSE(door.At(5000, Input::WakeUp));
    EXPECT_EQ(door.game().NextWake(), std::nullopt);
    EXPECT_EQ(door.Ball(), 2);
}

}  // namespace
}  // namespace gyrolap
