// SPDX-License-Identifier: MIT
// The game on a thread of its own must play exactly the game it plays when the same inputs are
// handed to it directly: no input lost or judged twice, none judged at another reading, no
// board torn between two frames, and a stop that ends everything at once, even mid-wait.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "game/Game.h"
#include "game/GameThread.h"
#include "sim/BoardText.h"
#include "support/MovedClock.h"
#include "support/StandIn.h"

namespace gyrolap {
namespace {

using testing::StandIn;

const std::vector<float> kDraws = {0.0f, 0.5f, 0.0f, 0.5f, 0.25f, 0.75f, 0.0f, 0.9f};

// Hears every input the game takes, with its time since start-up.
struct Inputs final : SessionLog {
    void Started(std::uint32_t, std::string_view) override {}
    void Delivered(std::uint64_t time, Input input) override { heard.emplace_back(time, input); }
    void Drew(float) override {}
    void ReadDate(std::uint64_t, std::string_view) override {}
    void Finished(std::uint64_t, const Board&, bool) override { ++finished; }
    std::vector<std::pair<std::uint64_t, Input>> heard;
    int finished = 0;
};

// The same game twice: one handed its inputs directly, one on its own thread, on a clock the
// test moves. The test plays the timer for both.
struct Twins {
    StandIn directPorts{kDraws};
    Game direct{directPorts, directPorts};
    StandIn threadedPorts{kDraws};
    Game threaded{threadedPorts, threadedPorts};
    Inputs inputs;
    testing::MovedClock clock;
    std::atomic<std::uint64_t>& now = clock.now;
    std::atomic<int> published{0};
    GameThread thread{threaded, clock, [this] { ++published; }};

    Twins() {
        threaded.SetLog(&inputs);
        direct.Load(0);
        thread.Start();
        clock.WaitIdle();
    }
    // Both take `input` at the clock's reading `time`.
    void At(std::uint64_t time, Input input) {
        now = time;
        direct.Deliver(input, time);
        thread.Post(input);
        clock.WaitIdle();
    }
    // The clock runs to `time`; both wake at every deadline on the way.
    void RunTo(std::uint64_t time) {
        while (const auto wake = direct.NextWake()) {
            if (*wake > time) break;
            At(*wake, Input::WakeUp);
        }
        now = time;
    }
    std::string Board(const Game& game) {
        return sim::DescribeBoard(game.board(), game.MessageOpen());
    }
    std::string ThreadSnapshot() {
        const Snapshot frame = thread.LatestSnapshot();
        return sim::DescribeBoard(frame.board, frame.messageOpen);
    }
};

TEST(GameThread, PlaysTheGameItPlaysWhenHandedTheInputsDirectly) {
    Twins twins;
    twins.RunTo(1700);
    twins.At(2000, Input::Press);  // Start on ball 2
    twins.RunTo(2150);
    twins.At(2150, Input::Press);  // a miss: the box opens over the run loop
    ASSERT_TRUE(twins.direct.MessageOpen());
    twins.RunTo(2400);                     // the run loop's step falls due under the box
    twins.At(2400, Input::Submit);         // nothing while the box is open
    twins.At(2450, Input::MessageClosed);  // the box closes while a step is due
    twins.RunTo(4500);
    twins.At(4500, Input::Submit);
    twins.At(4600, Input::MessageClosed);
    twins.At(4700, Input::Press);
    twins.RunTo(9000);
    EXPECT_EQ(twins.Board(twins.threaded), twins.Board(twins.direct));
    EXPECT_EQ(twins.ThreadSnapshot(), twins.Board(twins.direct));
    EXPECT_EQ(twins.threadedPorts.messages, twins.directPorts.messages);
    EXPECT_EQ(twins.threadedPorts.clipboard, twins.directPorts.clipboard);
    EXPECT_EQ(twins.threadedPorts.clipboard.size(), 1u);
    EXPECT_EQ(twins.thread.LatestSnapshot().wake, twins.direct.NextWake());
}

TEST(GameThread, TakesEveryInputOnceAtItsOwnReadingInTheOrderRead) {
    Twins twins;
    twins.RunTo(1700);
    // Two threads post at once while the clock moves: every input arrives once, with the
    // reading it was posted at, and the readings come in order.
    constexpr int kEach = 2000;
    auto poster = [&twins](Input input) {
        for (int i = 0; i < kEach; ++i) {
            twins.now.fetch_add(1);
            twins.thread.Post(input);
        }
    };
    const std::size_t before = twins.inputs.heard.size();
    std::thread a(poster, Input::WakeUp);
    std::thread b(poster, Input::MessageClosed);
    a.join();
    b.join();
    twins.clock.WaitIdle();
    // Every close is heard, box or not; a wake-up only when it ended a wait. What is heard
    // comes in reading order.
    const auto& heard = twins.inputs.heard;
    const auto closes =
        std::count_if(heard.begin() + static_cast<std::ptrdiff_t>(before), heard.end(),
                      [](const auto& input) { return input.second == Input::MessageClosed; });
    EXPECT_EQ(closes, kEach);
    for (std::size_t i = before + 1; i < heard.size(); ++i)
        EXPECT_LE(heard[i - 1].first, heard[i].first) << i;
    // Now the game is idle on its track: presses count. Each Start and each miss is heard once.
    const std::size_t beforePresses = heard.size();
    twins.thread.Post(Input::Press);
    twins.thread.Post(Input::Press);  // at the same reading: judged once, as a miss
    twins.clock.WaitIdle();
    ASSERT_EQ(heard.size(), beforePresses + 2);
    EXPECT_EQ(twins.threadedPorts.messages.size(), 1u);
}

TEST(GameThread, NoFrameIsEverTornBetweenTwoChanges) {
    Twins twins;
    twins.RunTo(1700);
    twins.At(2000, Input::Press);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::uint64_t lastSerial = 0;
    // A painter that reads frame after frame while the game changes the board under it.
    std::thread painter([&] {
        while (!done) {
            const Snapshot frame = twins.thread.LatestSnapshot();
            // While running, all balls carry the particle's colour, exactly the particle's ball
            // shows, and the state agrees with the board.
            if (frame.state.Running) {
                int shown = 0;
                for (int i = 1; i <= kBallCount; ++i) {
                    const BallView& ball = frame.board.imgBall[static_cast<std::size_t>(i)];
                    shown += ball.visible ? 1 : 0;
                    if (ball.picture != frame.board.imgBall[1].picture) ++torn;
                }
                const auto particle = static_cast<std::size_t>(frame.state.BallIndex);
                if (shown != 1 || !frame.board.imgBall[particle].visible) ++torn;
                if (frame.board.cmdAction != "Accelerate") ++torn;
            }
            if (frame.serial < lastSerial) ++torn;
            lastSerial = frame.serial;
        }
    });
    // Hits whenever the particle is in the ring recolour all 32 balls at once.
    for (std::uint64_t t = 2000; t < 40000 && twins.direct.state().Level == 1; ++t) {
        const GameState& s = twins.direct.state();
        if (s.Running && s.RingFlags[static_cast<std::size_t>(s.BallIndex)] && !s.HitLatch)
            twins.At(t, Input::Press);
        twins.RunTo(t + 1);
    }
    done = true;
    painter.join();
    EXPECT_EQ(twins.direct.state().Level, 2);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(twins.ThreadSnapshot(), twins.Board(twins.direct));
}

// The real clock and its real sleep, watched from the game's own thread: what the game's wait
// was each time the thread went to sleep, and the deadline it slept until.
class WatchedSteadyClock final : public GameClock {
  public:
    explicit WatchedSteadyClock(const Game& game) : game_(game) {}
    std::uint64_t Now() override { return real_.Now(); }
    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
              const std::atomic<bool>& pending, std::optional<std::uint64_t> wake) override {
        {
            std::lock_guard guard(mutex_);
            if (wake) seen.push_back({game_.state().StepStart, *wake});
        }
        slept_.notify_all();
        real_.Wait(lock, wakeUp, pending, wake);
    }
    // Returns once the thread has gone to sleep until a deadline.
    void WaitForASleep() {
        std::unique_lock guard(mutex_);
        slept_.wait(guard, [this] { return !seen.empty(); });
    }

    struct Sleep {
        std::uint32_t stepStart;
        std::uint64_t wake;
    };
    std::vector<Sleep> seen;

  private:
    const Game& game_;
    SteadyClock real_;
    std::mutex mutex_;
    std::condition_variable slept_;
};

TEST(GameThread, AStopWhileTheGameWaitsEndsEverythingAtOnce) {
    // The real clock: the thread sleeps until the animation's next ball.
    StandIn ports{kDraws};
    Game game{ports, ports};
    Inputs inputs;
    game.SetLog(&inputs);
    WatchedSteadyClock clock{game};
    GameThread thread{game, clock, nullptr};
    thread.Start();
    clock.WaitForASleep();
    thread.Stop();  // returns at once, long before the 50 ms are up
    EXPECT_EQ(inputs.finished, 1);
    EXPECT_TRUE(game.scheduler().Idle());
    const std::size_t heard = inputs.heard.size();
    thread.Post(Input::Press);  // nothing is taken after the stop
    EXPECT_EQ(inputs.heard.size(), heard);
    EXPECT_FALSE(game.Deliver(Input::WakeUp, clock.Now() + 1000));
}

TEST(GameThread, SleepsUntilTheVeryMillisecondTheWaitEnds) {
    StandIn ports{kDraws};
    Game game{ports, ports};
    WatchedSteadyClock clock{game};
    GameThread thread{game, clock, nullptr};
    thread.Start();
    clock.WaitForASleep();
    thread.Stop();
    // The animation's ball waits 50 ms from when it was shown: the thread slept until that
    // very millisecond of the steady clock, not one later.
    ASSERT_FALSE(clock.seen.empty());
    for (const auto& sleep : clock.seen)
        EXPECT_EQ(static_cast<std::uint32_t>(sleep.wake), sleep.stepStart + 50u);
}

TEST(GameThread, RunsItsStartHookOnItsOwnThreadBeforeItTakesTheGame) {
    // The hook takes its time (a request to the system, say) and a press comes at 10 meanwhile;
    // the hook ends at 20. A game the thread loads itself loads after the hook, at 20, and
    // takes the press as a press at that very moment (read earlier, it would end the load's
    // first wait at once). A game loaded at 0, before the thread started, takes the press at
    // the reading it came at.
    struct Case {
        GameThread::Loading loading;
        std::uint64_t loadedAt, pressedAt;
    };
    for (const Case c : {Case{GameThread::Loading::OnTheThread, 20, 20},
                         Case{GameThread::Loading::AlreadyLoaded, 0, 10}}) {
        SCOPED_TRACE(c.loadedAt);
        StandIn platform{kDraws};
        Game game{platform, platform};
        Inputs inputs;
        game.SetLog(&inputs);
        testing::MovedClock clock;
        if (c.loading == GameThread::Loading::AlreadyLoaded) game.Load(0);
        GameThread thread{game, clock, nullptr};
        std::promise<void> entered, release;
        std::thread::id hookThread;
        std::size_t heardInHook = 99;
        thread.OnStart([&] {
            hookThread = std::this_thread::get_id();
            heardInHook = inputs.heard.size();
            entered.set_value();
            release.get_future().wait();
        });
        thread.Start(c.loading);
        entered.get_future().wait();
        clock.now = 10;
        thread.Post(Input::Press);  // a Start during the hook
        clock.now = 20;
        release.set_value();
        clock.WaitIdle();

        EXPECT_NE(hookThread, std::this_thread::get_id());
        EXPECT_EQ(heardInHook, 0u);
        ASSERT_EQ(inputs.heard.size(), 1u);
        EXPECT_EQ(inputs.heard[0], std::make_pair(c.pressedAt - c.loadedAt, Input::Press));
        StandIn directPlatform{kDraws};
        Game direct{directPlatform, directPlatform};
        direct.Load(c.loadedAt);
        direct.Deliver(Input::Press, c.pressedAt);
        const Snapshot frame = thread.LatestSnapshot();
        EXPECT_EQ(sim::DescribeBoard(frame.board, frame.messageOpen),
                  sim::DescribeBoard(direct.board(), direct.MessageOpen()));
        EXPECT_EQ(frame.wake, direct.NextWake());
    }
}

}  // namespace
}  // namespace gyrolap
