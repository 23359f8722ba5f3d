// SPDX-License-Identifier: MIT
// A session played in the real window, recorded as it is played, must replay to the very same
// game: in the simulator (the same clipboard texts and final board) and in the window itself
// (the same board at every recorded instant). The window's wake-ups come late now and then, as
// a real timer's do; the recording is what makes the replay agree anyway.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <map>
#include <sstream>

#include "game/Game.h"
#include "sim/BoardText.h"
#include "sim/RunScript.h"
#include "sim/Script.h"
#include "sim/ScriptSource.h"
#include "sim/ScriptWriter.h"
#include "support/MovedClock.h"
#include "ui/LiveDriver.h"
#include "ui/MainWindow.h"
#include "ui/QtEffects.h"
#include "ui/QtSources.h"
#include "ui/ReplayDriver.h"

namespace gyrolap {
namespace {

// Writes the recording and notes what the window showed right after every input.
class Witness final : public SessionLog {
  public:
    Witness(sim::ScriptWriter& writer, const Game& game) : writer_(writer), game_(game) {}

    void Started(std::uint32_t clock, std::string_view date) override {
        writer_.Started(clock, date);
    }
    void Delivered(std::uint64_t time, Input input) override {
        writer_.Delivered(time, input);
        boards[time] = sim::DescribeBoard(game_.board(), game_.MessageOpen());
    }
    void Drew(float value) override { writer_.Drew(value); }
    void ReadDate(std::uint64_t time, std::string_view date) override {
        writer_.ReadDate(time, date);
    }
    void Finished(std::uint64_t time, const Board& board, bool messageOpen) override {
        writer_.Finished(time, board, messageOpen);
        finalBoard = sim::DescribeBoard(board, messageOpen);
    }

    std::map<std::uint64_t, std::string> boards;
    std::string finalBoard;

  private:
    sim::ScriptWriter& writer_;
    const Game& game_;
};

// The game played live in a window with its own clock; the test moves the clock and plays the
// wake-ups' timer.
struct LiveWindow {
    testing::MovedClock clock{0xFFFFE000u};  // the game's 32-bit clock wraps during the session
    MainWindow window;
    QtEffects effects{window};
    QtSources sources;
    Game game{sources, effects};
    LiveDriver driver{game, clock, effects, window};

    // The game's thread has handled what it was given, and the window has done what it asked.
    void Sync() {
        clock.WaitIdle();
        effects.windowThread().RunPending();
    }
    QPushButton* Button(const char* name) { return window.findChild<QPushButton*>(name); }
    QMessageBox* Box() {
        Sync();
        return qobject_cast<QMessageBox*>(effects.OpenMessage());
    }
};

// A recording played back in a window with its own clock, which the test moves.
struct ReplayWindow {
    explicit ReplayWindow(const std::string& recording) : in(recording) {}

    std::istringstream in;
    testing::MovedClock clock{77};
    MainWindow window;
    QtEffects effects{window, QtEffects::Mode::Watching};
    ReplayDriver driver{sim::OpenScript(in), clock, effects, window};

    std::string Board() {
        const Snapshot& latest = driver.LatestSnapshot();
        return sim::DescribeBoard(latest.board, latest.messageOpen);
    }
    QPushButton* Button(const char* name) { return window.findChild<QPushButton*>(name); }
    QMessageBox* Box() { return qobject_cast<QMessageBox*>(effects.OpenMessage()); }
};

class RecordReplay : public ::testing::Test {
  protected:
    void SetUp() override {
        game().SetLog(&witness);
        live.driver.Start();
        ASSERT_TRUE(QTest::qWaitFor([this] { return live.driver.Started(); }));
        live.Sync();
        start = live.clock.now;
    }

    Game& game() { return live.game; }
    const GameState& state() { return live.game.state(); }

    // The clock moves on a millisecond at a time. The timer wakes the game at the deadline,
    // or one or two milliseconds late for some deadlines, as a busy machine would.
    void Advance(std::uint64_t ms) {
        for (std::uint64_t i = 0; i < ms; ++i) {
            const std::uint64_t now = ++live.clock.now;
            const auto wake = game().NextWake();
            if (wake && now >= *wake + (*wake % 7 == 0 ? 1 : 0) + (*wake % 11 == 0 ? 2 : 0)) {
                live.driver.Deliver(Input::WakeUp);
                live.Sync();
            }
        }
    }
    bool InRing() {
        return state().Running && state().BallIndex >= 1 &&
               state().RingFlags[static_cast<std::size_t>(state().BallIndex)];
    }
    void Press() {
        QTest::mousePress(live.Button("cmdAction"), Qt::LeftButton);
        live.Sync();
    }
    void Release() { QTest::mouseRelease(live.Button("cmdAction"), Qt::LeftButton); }
    void Submit() {
        QTest::mouseClick(live.Button("cmdSubmitScore"), Qt::LeftButton);
        live.Sync();
        clipboard.push_back(QGuiApplication::clipboard()->text().toStdString());
    }
    // Presses whenever the particle stands in the ring, until `done` says so.
    template <class Done>
    void PlayWell(Done done) {
        for (int ms = 0; ms < 200'000 && !done(); ++ms) {
            if (InRing() && !state().HitLatch) {
                Press();
                Release();
            }
            Advance(1);
        }
        ASSERT_TRUE(done());
    }

    std::string RecordingText() const { return recorded; }
    sim::Script Recording() {
        std::istringstream in(RecordingText());
        return sim::ParseScript(in);
    }

    LiveWindow live;
    std::string recorded;
    sim::ScriptWriter writer{[this](std::string line) { recorded += line + '\n'; }};
    Witness witness{writer, live.game};
    std::uint64_t start = 0;
    std::vector<std::string> clipboard;

    // Plays the whole session: hits through to level 2, a Start during the level change's
    // animation, a miss and its box, two Submit Score clicks, and the close.
    void PlaySession() {
        Advance(1700);  // the start-up animation
        Press();
        Release();
        PlayWell([this] { return state().Level == 2; });
        Advance(500);
        ASSERT_EQ(game().board().cmdAction, "Start");
        ASSERT_FALSE(game().scheduler().Idle());  // the new track is still being laid out
        Press();                                  // a Start during the animation
        Release();
        PlayWell([this] { return state().HitCount == 3; });
        PlayWell([this] { return !InRing() && state().Running; });
        Press();  // a miss
        Release();
        ASSERT_NE(live.Box(), nullptr);
        Advance(300);
        live.Box()->accept();
        live.Sync();
        Advance(2000);
        Submit();
        Advance(40);
        live.Box()->accept();
        live.Sync();
        Advance(10);
        Submit();
        Advance(25);
        live.Box()->accept();
        live.Sync();
        Press();  // and one more run, under way when the window closes
        Release();
        Advance(777);
        live.window.close();
    }
};

TEST_F(RecordReplay, TheSimulatorReplaysTheWindowsSessionExactly) {
    PlaySession();
    ASSERT_EQ(clipboard.size(), 2u);
    EXPECT_EQ(clipboard[0], clipboard[1]);  // no press between the two clicks

    EXPECT_TRUE(Recording().recorded);
    std::istringstream in(RecordingText());
    const auto source = sim::OpenScript(in);
    std::ostringstream out, err;
    std::vector<std::string> replayed;
    ASSERT_EQ(sim::RunScript(*source, out, err,
                             [&replayed](std::string_view text) { replayed.emplace_back(text); }),
              sim::kExitOk)
        << err.str();
    EXPECT_EQ(replayed, clipboard);
    // The last line printed is the snap of the final board.
    const std::string printed = out.str();
    const std::size_t last = printed.rfind(" snap ", printed.size() - 2);
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(printed.substr(last + 6, printed.size() - last - 7), witness.finalBoard);
    EXPECT_NE(witness.finalBoard.find("cap=Accelerate"), std::string::npos);
}

TEST_F(RecordReplay, TheWindowReplaysTheRecordingBoardForBoard) {
    PlaySession();
    const sim::Script script = Recording();
    QGuiApplication::clipboard()->setText("the watcher's own text");

    ReplayWindow replay(RecordingText());
    replay.driver.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return replay.driver.Started(); }));
    const std::uint64_t playbackStart = replay.clock.now;
    std::size_t compared = 0;
    for (const auto& [time, board] : witness.boards) {
        replay.clock.now = playbackStart + time;
        replay.driver.PlayDue();
        EXPECT_EQ(replay.Board(), board) << "at " << time;
        // The box is on the screen exactly while the game waits for it.
        EXPECT_EQ(replay.Box() != nullptr, replay.driver.LatestSnapshot().messageOpen)
            << "at " << time;
        ++compared;
    }
    EXPECT_GT(compared, 100u);
    // The player's own presses do nothing during the playback.
    const std::string before = replay.Board();
    QTest::mousePress(replay.Button("cmdAction"), Qt::LeftButton);
    QTest::mouseRelease(replay.Button("cmdAction"), Qt::LeftButton);
    replay.driver.PlayDue();
    EXPECT_EQ(replay.Board(), before);
    // At the end the last board stays, and the watcher's clipboard was never touched.
    replay.clock.now = playbackStart + script.end + 5000;
    replay.driver.PlayDue();
    EXPECT_TRUE(replay.driver.Over());
    EXPECT_EQ(replay.Board(), witness.finalBoard);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "the watcher's own text");
}

}  // namespace
}  // namespace gyrolap
