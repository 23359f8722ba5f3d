// SPDX-License-Identifier: MIT
// The game's thread asks for real-time scheduling as it starts, and that changes nothing in what
// the game does: the same session, played with the request and without, writes the very same
// recording. The request is the game's own (here, as root, the thread really becomes real-time;
// RealtimeKit is looked for on a bus that does not exist), the thread is thrown away with the
// game, and the window's thread keeps its ordinary scheduling.
#include <gtest/gtest.h>
#include <sched.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <string>
#include <thread>

#include "game/Game.h"
#include "realtime/RealtimeRequest.h"
#include "sim/ScriptWriter.h"
#include "support/MovedClock.h"
#include "support/StandIn.h"
#include "ui/LiveDriver.h"
#include "ui/MainWindow.h"
#include "ui/QtEffects.h"

namespace gyrolap {
namespace {

// What the game's thread saw as it asked.
struct Asked {
    realtime::Outcome outcome;
    std::thread::id thread;
    int delivered = -1;  // inputs and wake-ups the game had taken by then
};

// Counts what the game takes, on the game's thread.
class DeliveryCount final : public SessionLog {
  public:
    explicit DeliveryCount(SessionLog& inner) : inner_(inner) {}
    void Started(std::uint32_t clock, std::string_view date) override {
        inner_.Started(clock, date);
    }
    void Delivered(std::uint64_t time, Input input) override {
        ++delivered;
        inner_.Delivered(time, input);
    }
    void Drew(float value) override { inner_.Drew(value); }
    void ReadDate(std::uint64_t time, std::string_view date) override {
        inner_.ReadDate(time, date);
    }
    void Finished(std::uint64_t time, const Board& board, bool messageOpen) override {
        inner_.Finished(time, board, messageOpen);
    }
    int delivered = 0;

  private:
    SessionLog& inner_;
};

// One session in the window on a clock the test moves, recorded: the start-up animation, a
// Start, a good press whenever the particle is in the ring until level 2, the next level's
// Start, a miss and its box, Submit Score and its box, and the close. With `asked`, the game's
// thread makes the game's request first.
std::string PlaySession(Asked* asked) {
    testing::MovedClock clock{0xFFFFE000u};
    MainWindow window;
    QtEffects effects{window};
    // The same random values and date in both sessions.
    testing::StandIn sources{{0.3f, 0.47f, 0.64f, 0.81f, 0.98f, 0.15f, 0.32f, 0.49f}};
    Game game{sources, effects};
    std::string recording;  // written on the game's thread, read once it has stopped
    sim::ScriptWriter writer{[&recording](std::string line) { recording += line + '\n'; }};
    DeliveryCount log{writer};
    game.SetLog(&log);
    LiveDriver driver{game, clock, effects, window};
    if (asked)
        driver.OnGameThreadStart([asked, &log] {
            asked->thread = std::this_thread::get_id();
            asked->delivered = log.delivered;
            realtime::Request request;
            request.busAddress = "unix:path=/nonexistent/gyrolap-no-bus";
            asked->outcome = realtime::MakeThisThreadRealtime(request);
        });
    driver.Start();
    if (!QTest::qWaitFor([&driver] { return driver.Started(); })) return "never started";

    // The game's thread has handled what it was given, and the window has done what it asked.
    const auto sync = [&] {
        clock.WaitIdle();
        effects.windowThread().RunPending();
    };
    sync();
    const auto advance = [&](int ms) {
        for (int i = 0; i < ms; ++i) {
            const std::uint64_t now = ++clock.now;
            if (const auto wake = game.NextWake(); wake && now >= *wake) {
                driver.Deliver(Input::WakeUp);
                sync();
            }
        }
    };
    QPushButton* action = window.findChild<QPushButton*>("cmdAction");
    const auto press = [&] {
        QTest::mousePress(action, Qt::LeftButton);
        sync();
        QTest::mouseRelease(action, Qt::LeftButton);
    };
    const auto inRing = [&game] {
        const GameState& s = game.state();
        return s.Running && s.BallIndex >= 1 && s.RingFlags[static_cast<std::size_t>(s.BallIndex)];
    };
    const auto closeBox = [&] {
        sync();
        if (auto* box = qobject_cast<QMessageBox*>(effects.OpenMessage())) box->accept();
        sync();
    };

    advance(1700);
    press();
    for (int ms = 0; ms < 100'000 && game.state().Level == 1; ++ms) {
        if (inRing() && !game.state().HitLatch) press();
        advance(1);
    }
    advance(1700);
    press();
    for (int ms = 0; ms < 100'000 && (inRing() || !game.state().Running); ++ms) advance(1);
    press();  // a miss
    advance(300);
    closeBox();
    advance(2000);
    QTest::mouseClick(window.findChild<QPushButton*>("cmdSubmitScore"), Qt::LeftButton);
    sync();
    advance(40);
    closeBox();
    press();
    advance(500);
    window.close();
    return recording;
}

TEST(GameThreadPriority, TheRequestChangesNothingInWhatTheGamePlays) {
    const std::string plain = PlaySession(nullptr);
    Asked asked;
    const std::string requested = PlaySession(&asked);
    SCOPED_TRACE(realtime::Describe(asked.outcome));

    // A whole session: two levels, the miss's box and the submission.
    ASSERT_NE(plain.find("at "), std::string::npos) << plain;
    EXPECT_NE(plain.find(" submit\n"), std::string::npos);
    EXPECT_EQ(requested, plain);
    // Asked on the game's own thread before it took a single input or wake-up; the window's
    // thread is as it was.
    EXPECT_NE(asked.thread, std::thread::id{});
    EXPECT_NE(asked.thread, std::this_thread::get_id());
    EXPECT_EQ(asked.delivered, 0);
    EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
}

}  // namespace
}  // namespace gyrolap
