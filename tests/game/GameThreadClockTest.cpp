// SPDX-License-Identifier: MIT
// The game's thread on a clock that wakes it by itself, as the real clock does: it must end
// every wait at the very millisecond it is due (not a millisecond later, and without spinning
// meanwhile), deliver every input at the reading it was posted with even when the clock has
// moved on before the delivery, never let a later wake-up overtake an input read earlier, and
// publish every change as the game left it. The measure is the same game handed the same inputs
// directly, woken by a timer that is never late.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "game/Game.h"
#include "game/GameThread.h"
#include "sim/BoardText.h"
#include "support/StandIn.h"

namespace gyrolap {
namespace {

using testing::StandIn;

const std::vector<float> kDraws = {0.3f, 0.6f, 0.1f, 0.9f, 0.5f, 0.2f, 0.8f, 0.4f, 0.7f, 0.0f};
// The 32-bit clock wraps during the first run.
constexpr std::uint64_t kStart = 0xFFFFF000u;

struct PlannedInput {
    std::uint64_t time;
    Input input;
};

// Everything the game is given, as a recording hears it. A wake-up followed by an input at the
// same reading is heard as the input alone: the input ends the due wait itself before it is
// judged, so the two play the same game.
struct Heard final : SessionLog {
    void Started(std::uint32_t, std::string_view) override {}
    void Delivered(std::uint64_t time, Input input) override {
        const std::string at = std::to_string(time) + " ";
        if (input != Input::WakeUp && !inputs.empty() && inputs.back() == at + "wake")
            inputs.pop_back();
        inputs.push_back(at + std::string(ScriptWord(input)));
    }
    void Drew(float) override {}
    void ReadDate(std::uint64_t, std::string_view) override {}
    void Finished(std::uint64_t, const Board&, bool) override {}
    std::vector<std::string> inputs;
};

std::string Describe(const Game& game) {
    return sim::DescribeBoard(game.board(), game.MessageOpen());
}

bool OnLastRingBall(const GameState& s) {
    const auto here = static_cast<std::size_t>(s.BallIndex);
    const auto next = static_cast<std::size_t>(s.BallIndex % kBallCount + 1);
    return s.Running && s.BallIndex >= 1 && s.RingFlags[here] && !s.RingFlags[next];
}

// When the player gives the next input: a reading no earlier than `now`, or nothing yet. `wake`
// is when the game's wait ends, if it waits on the clock.
using When = std::function<std::optional<std::uint64_t>(const Game&, std::uint64_t now,
                                                        std::optional<std::uint64_t> wake)>;

// Once nothing waits on the clock (an animation over, a box open), `delay` ms later.
When OnceStill(std::uint64_t delay) {
    return [delay](const Game&, std::uint64_t now, std::optional<std::uint64_t> wake) {
        return wake ? std::nullopt : std::optional(now + delay);
    };
}

// The last millisecond the particle stands on the ring's last ball: a press read then is a hit,
// and the same press read a step later is a miss.
When LastMillisecondInTheRing() {
    return [](const Game& game, std::uint64_t now,
              std::optional<std::uint64_t> wake) -> std::optional<std::uint64_t> {
        if (!wake || !OnLastRingBall(game.state()) || game.state().HitLatch || *wake - 1 < now)
            return std::nullopt;
        return *wake - 1;
    };
}

// The very millisecond the particle steps onto the ring: the input and the wait's end share a
// reading.
When AtTheStepIntoTheRing() {
    return [](const Game& game, std::uint64_t, std::optional<std::uint64_t> wake) {
        const GameState& s = game.state();
        const auto next = static_cast<std::size_t>(s.BallIndex % kBallCount + 1);
        return wake && s.Running && s.BallIndex >= 1 &&
                       !s.RingFlags[static_cast<std::size_t>(s.BallIndex)] && s.RingFlags[next]
                   ? wake
                   : std::nullopt;
    };
}

// As soon as the particle stands outside the ring: a miss.
When OutsideTheRing() {
    return [](const Game& game, std::uint64_t now, std::optional<std::uint64_t>) {
        const GameState& s = game.state();
        return s.Running && s.BallIndex >= 1 && !s.RingFlags[static_cast<std::size_t>(s.BallIndex)]
                   ? std::optional(now)
                   : std::nullopt;
    };
}

When Later(std::uint64_t delay) {
    return [delay](const Game&, std::uint64_t now, std::optional<std::uint64_t>) {
        return std::optional(now + delay);
    };
}

// The game handed its inputs directly, woken at every deadline by a timer that is never late.
// The player decides each input from what the game shows, and the inputs, with the readings
// they were given at, make the plan the threaded game is then played with. After each input the
// clock has moved on `lag` ms before anything else happens, as a busy machine's clock may.
struct DirectPlay {
    explicit DirectPlay(std::uint64_t lag) : lag(lag) {
        game.SetLog(&heard);

        game.Load(now);
    }

    void Give(Input input, const When& when) {
        for (;;) {
            const auto wake = game.NextWake();
            const auto at = when(game, now, wake);
            if (at && *at >= now && (!wake || *at <= *wake)) {
                now = *at;
                game.Deliver(input, now);
                plan.push_back({now, input});
                now += lag;
                return;
            }
            if (!wake) {
                ADD_FAILURE() << "the player waits for a moment that never comes";
                return;
            }
            now = std::max(now, *wake);
            game.Deliver(Input::WakeUp, now);
        }
    }
    // Until nothing waits on the clock.
    void RunOut() {
        while (const auto wake = game.NextWake()) {
            now = std::max(now, *wake);
            game.Deliver(Input::WakeUp, now);
        }
    }

    std::uint64_t lag;
    std::uint64_t now = kStart;
    StandIn platform{kDraws};
    Game game{platform, platform};
    Heard heard;
    std::vector<PlannedInput> plan;
};

// A clock that moves only when the game's thread goes to sleep, and then at once: to the very
// millisecond the thread asked to sleep until, or, when the plan has an input due by then, to
// that input's reading, where the input is posted. After posting, the clock moves on `lag` ms
// before the thread goes on. A sleep asked for a moment the clock has already reached would
// spin on a real clock until the next millisecond: that is counted, and the clock moves one
// millisecond. Each time the thread goes to sleep, the frame it last published must be the
// board as the game left it.
class SelfWakingClock final : public GameClock {
  public:
    SelfWakingClock(std::vector<PlannedInput> plan, std::uint64_t lag, std::uint64_t horizon)
        : plan_(std::move(plan)), lag_(lag), horizon_(horizon) {}

    void Attach(GameThread& thread, const Game& game) {
        thread_ = &thread;
        game_ = &game;
    }

    std::uint64_t Now() override { return now_.load(); }

    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
              const std::atomic<bool>& pending, std::optional<std::uint64_t> wake) override {
        if (pending) return;
        // On the game's thread: the game is ours to read.
        const Snapshot frame = thread_->LatestSnapshot();
        if (sim::DescribeBoard(frame.board, frame.messageOpen) != Describe(*game_))
            staleFrames_.push_back(now_);
        if (wake && *wake <= now_) {
            ++spins_;
            ++now_;
            return;
        }
        if (next_ < plan_.size() && (!wake || plan_[next_].time <= *wake)) {
            const PlannedInput input = plan_[next_++];
            now_ = std::max(now_.load(), input.time);
            lock.unlock();
            thread_->Post(input.input);
            now_ += lag_;
            lock.lock();
            return;
        }
        if (wake && *wake <= horizon_ && spins_ < kMostSpins) {
            now_ = *wake;
            return;
        }
        // Nothing more happens: the thread sleeps until it is stopped.
        {
            std::lock_guard guard(doneMutex_);
            done_ = true;
        }
        doneChanged_.notify_all();
        wakeUp.wait(lock, [&pending] { return pending.load(); });
    }

    // Waits, with a generous deadline, until the plan has been played and nothing more is due.
    bool WaitUntilPlayed() {
        std::unique_lock guard(doneMutex_);
        return doneChanged_.wait_for(guard, std::chrono::seconds(8), [this] { return done_; });
    }

    // Read once the thread has stopped.
    int spins() const { return spins_; }
    const std::vector<std::uint64_t>& staleFrames() const { return staleFrames_; }
    std::size_t posted() const { return next_; }

  private:
    static constexpr int kMostSpins = 10000;

    std::vector<PlannedInput> plan_;
    std::uint64_t lag_;
    std::uint64_t horizon_;
    GameThread* thread_ = nullptr;
    const Game* game_ = nullptr;
    std::atomic<std::uint64_t> now_{kStart};
    std::size_t next_ = 0;
    int spins_ = 0;
    std::vector<std::uint64_t> staleFrames_;
    std::mutex doneMutex_;
    std::condition_variable doneChanged_;
    bool done_ = false;
};

// Start, hits at the edge of the ring and at the step into it, a Submit Score during the run, a
// miss and its box, Submit Score while nothing runs, and a run left to its lap limit.
void PlaySession(DirectPlay& play) {
    play.Give(Input::Press, OnceStill(250));  // Start, once the animation is over
    play.Give(Input::Press, LastMillisecondInTheRing());
    play.Give(Input::Press, AtTheStepIntoTheRing());
    play.Give(Input::Press, LastMillisecondInTheRing());
    play.Give(Input::Submit, Later(7));  // the box stands over the run
    play.Give(Input::MessageClosed, Later(120));
    play.Give(Input::Press, LastMillisecondInTheRing());
    play.Give(Input::Press, OutsideTheRing());  // a miss
    play.Give(Input::MessageClosed, Later(300));
    play.Give(Input::Submit, OnceStill(40));
    play.Give(Input::MessageClosed, Later(25));
    play.Give(Input::Press, OnceStill(100));  // a run nobody presses in: the lap limit ends it
    play.Give(Input::MessageClosed, OnceStill(60));
    play.RunOut();
}

class ClockThatWakesItself : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(ClockThatWakesItself, PlaysTheGameAPerfectTimerPlays) {
    const std::uint64_t lag = GetParam();
    DirectPlay direct(lag);
    PlaySession(direct);
    ASSERT_FALSE(::testing::Test::HasFailure());
    // The session is what it is meant to be: four hits before the miss, four boxes, two
    // clipboard texts.
    ASSERT_EQ(direct.platform.messages.size(), 4u);
    ASSERT_EQ(direct.platform.clipboard.size(), 2u);
    ASSERT_EQ(direct.game.board().lblScores[2], "4");

    StandIn platform{kDraws};
    Game game{platform, platform};
    Heard heard;
    game.SetLog(&heard);
    SelfWakingClock clock(direct.plan, lag, direct.now + 10000);
    {
        GameThread thread(game, clock, nullptr);
        clock.Attach(thread, game);

        thread.Start();
        ASSERT_TRUE(clock.WaitUntilPlayed());
        EXPECT_EQ(Describe(game), Describe(direct.game));
        const Snapshot frame = thread.LatestSnapshot();
        EXPECT_EQ(sim::DescribeBoard(frame.board, frame.messageOpen), Describe(direct.game));
        thread.Stop();
    }
    EXPECT_EQ(clock.posted(), direct.plan.size());
    EXPECT_EQ(clock.spins(), 0) << "the thread slept until a moment that had already come";
    EXPECT_EQ(clock.staleFrames(), std::vector<std::uint64_t>{})
        << "the thread slept with a frame that was not the game's board";
    // Every input and every wake-up that ended a wait, at the very reading the direct game
    // had it.
    EXPECT_EQ(heard.inputs, direct.heard.inputs);
    EXPECT_EQ(platform.messages, direct.platform.messages);
    EXPECT_EQ(platform.clipboard, direct.platform.clipboard);
}

// 0: the clock stands still from the post to the delivery. 1: it reaches the next step's
// deadline, after a press in the step's last millisecond. 7 and 250: past one deadline and past
// several before the thread delivers the input.
INSTANTIATE_TEST_SUITE_P(GameThread, ClockThatWakesItself, ::testing::Values(0, 1, 7, 250),
                         [](const ::testing::TestParamInfo<std::uint64_t>& info) {
                             return "MovesOn" + std::to_string(info.param) + "msAfterAPost";
                         });

}  // namespace
}  // namespace gyrolap
