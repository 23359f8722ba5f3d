// SPDX-License-Identifier: MIT
// The game played live in the real window on Qt's offscreen platform, with a clock the test
// moves: start-up, presses through real mouse and key events, the message boxes, Submit Score
// and closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <string>

#include "PaintedBoard.h"
#include "game/Game.h"
#include "support/MovedClock.h"
#include "ui/Artwork.h"
#include "ui/Centring.h"
#include "ui/LiveDriver.h"
#include "ui/MainWindow.h"
#include "ui/QtEffects.h"
#include "ui/QtSources.h"

namespace gyrolap {
namespace {

using testing::PaintsTheBoard;

class RealWindow : public ::testing::Test {
  protected:
    testing::MovedClock clock{0xFFFFF000u};  // the game's 32-bit clock wraps during the first run
    MainWindow window;
    QtEffects effects{window};
    QtSources sources;
    Game game{sources, effects};
    LiveDriver driver{game, clock, effects, window};

    void SetUp() override {
        // Every snapshot painted as it comes: the test looks at the window after each change.
        driver.SetPaintInterval(0);
        driver.Start();
        // The game starts once the window is on the screen with its first frame.
        ASSERT_TRUE(QTest::qWaitFor([this] { return driver.Started(); }));
        Sync();
    }

    // Returns once the game's thread has handled what it was given and the window has done
    // what the game asked of it and painted its last snapshot.
    void Sync() {
        clock.WaitIdle();
        effects.windowThread().RunPending();
    }
    // The clock moves on; the test plays the timer, waking the game every millisecond.
    void Advance(std::uint64_t ms) {
        for (std::uint64_t i = 0; i < ms; ++i) {
            ++clock.now;
            driver.Deliver(Input::WakeUp);
            Sync();
        }
    }
    QPushButton* Button(const char* name) {
        Sync();
        return window.findChild<QPushButton*>(name);
    }
    QString Label(const char* name) {
        Sync();
        return window.findChild<QLabel*>(name)->text();
    }
    QMessageBox* Box() {
        Sync();
        return qobject_cast<QMessageBox*>(effects.OpenMessage());
    }
    const Snapshot& Latest() {
        Sync();
        return driver.LatestSnapshot();
    }
    // In how many milliseconds the game's thread wants waking, or -1 when it waits for nothing.
    int WakeIn() {
        const auto wake = Latest().wake;
        return wake ? static_cast<int>(*wake - clock.now) : -1;
    }
    int Shown() {
        int shown = 0;
        for (int i = 1; i <= kBallCount; ++i)
            if (Latest().board.imgBall[static_cast<std::size_t>(i)].visible) shown = shown ? -1 : i;
        return shown;
    }
};

TEST_F(RealWindow, StartsUpTitledWithTheAnimationUnderWay) {
    EXPECT_EQ(window.windowTitle(), "Gyrolap - ver 2001.0516.1158");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(Button("cmdAction")->text(), "Start");
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(WakeIn(), 50);
    Advance(1600);
    EXPECT_EQ(Shown(), -1);
    EXPECT_EQ(Latest().depth, 0u);
    EXPECT_EQ(WakeIn(), -1);  // nothing to wake for: the process sleeps
}

TEST_F(RealWindow, AMouseDownOnTheButtonStartsARunAndTheTimerFollowsTheSteps) {
    Advance(1600);
    QTest::mousePress(Button("cmdAction"), Qt::LeftButton);
    EXPECT_EQ(Button("cmdAction")->text(), "Accelerate");
    EXPECT_EQ(WakeIn(), 100);
    const int first = Shown();
    ASSERT_GE(first, 2);
    ASSERT_LE(first, 9);
    Advance(100);
    EXPECT_EQ(Shown(), first + 1);
    QTest::mouseRelease(Button("cmdAction"), Qt::LeftButton);
}

TEST_F(RealWindow, AKeyPressOutsideTheRingOpensTheMissBoxAndItsCloseResets) {
    Advance(1600);
    Button("cmdAction")->setFocus();
    QTest::keyClick(Button("cmdAction"), Qt::Key_A);  // Start
    QTest::keyClick(Button("cmdAction"), Qt::Key_A);  // the particle is on 2..9: a miss
    QMessageBox* box = Box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Gyrolap");
    EXPECT_EQ(box->text(), "Oops, click 'Accelerate' when the particle is in the ring.");
    EXPECT_TRUE(box->isModal());
    const int stood = Shown();
    Advance(500);
    EXPECT_EQ(Shown(), stood);  // the particle stands still while the box is open
    box->accept();
    EXPECT_EQ(Button("cmdAction")->text(), "Start");
    EXPECT_EQ(Label("lblScores1"), "0");
    Advance(1700);
    EXPECT_EQ(Latest().depth, 0u);
}

TEST_F(RealWindow, SubmitScorePutsTheTextOnTheClipboardAndHandsTheFocusBack) {
    Advance(1600);
    QGuiApplication::clipboard()->setText("something the player had");
    QTest::mouseClick(Button("cmdSubmitScore"), Qt::LeftButton);
    Sync();
    const QString text = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(
        QRegularExpression("^GY2001\\.0516\\.1158x0x0x.+x[0-9A-Z]{40}$").match(text).hasMatch())
        << text.toStdString();
    QMessageBox* box = Box();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Validation Code");
    EXPECT_TRUE(
        box->text().startsWith("Your validation code has been copied to the clipboard.\n"
                               "Paste it in an email it to scores@gyrolap.example\n"));
    box->accept();
    Sync();
    // The click left the focus on Submit Score; the flow hands it back to the action button.
    EXPECT_EQ(window.focusWidget(), Button("cmdAction"));
    // Again without a press: the very same text.
    QTest::mouseClick(Button("cmdSubmitScore"), Qt::LeftButton);
    Sync();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
    Box()->accept();
}

TEST_F(RealWindow, AChangeThatComesBetweenTwoFramesIsPaintedAtTheNext) {
    // A slow screen: snapshots come faster than frames, and the last of a burst must still be
    // painted, not only the one before it.
    driver.SetPaintInterval(100);
    Advance(1600);
    auto* action = window.findChild<QPushButton*>("cmdAction");
    QTest::mousePress(action, Qt::LeftButton);  // Start
    Sync();
    ASSERT_EQ(driver.LatestSnapshot().board.cmdAction, "Accelerate");
    EXPECT_TRUE(QTest::qWaitFor([action] { return action->text() == "Accelerate"; }));
}

TEST_F(RealWindow, ClosingMidRunEndsEverythingWithoutTheMissBox) {
    Advance(1600);
    QTest::mousePress(Button("cmdAction"), Qt::LeftButton);
    Advance(300);
    window.close();
    // The game's thread has ended: the game is the test's to look at.
    EXPECT_TRUE(game.scheduler().Idle());
    EXPECT_EQ(game.NextWake(), std::nullopt);
    EXPECT_EQ(effects.OpenMessage(), nullptr);
    // Nothing resumes, whatever the clock does: no lap limit, no box, no score entered.
    for (int i = 0; i < 10000; ++i) {
        ++clock.now;
        driver.Deliver(Input::WakeUp);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(effects.OpenMessage(), nullptr);
    EXPECT_EQ(game.board().lblScores[2], "0");
    EXPECT_EQ(game.board().cmdAction, "Accelerate");
}

TEST_F(RealWindow, PaintsEveryChangeAsTheGameLeftItWithoutBeingHurried) {
    // The game's own board, read once its thread has handled everything.
    const auto paints = [this] {
        Sync();
        return PaintsTheBoard(window, game.board());
    };
    const auto inRing = [this] {
        const GameState& s = Latest().state;
        return s.Running && s.RingFlags[static_cast<std::size_t>(s.BallIndex)] && !s.HitLatch;
    };
    const auto press = [this] {
        QTest::mousePress(window.findChild<QPushButton*>("cmdAction"), Qt::LeftButton);
        QTest::mouseRelease(window.findChild<QPushButton*>("cmdAction"), Qt::LeftButton);
        Sync();
    };
    // The window's first frame shows the board the game started with, not the empty one
    // before it.
    ASSERT_TRUE(paints()) << "the first ball of the start-up animation";
    Advance(1600);
    ASSERT_EQ(Latest().depth, 0u);
    ASSERT_TRUE(paints()) << "the last ball of the start-up animation";
    press();  // Start
    ASSERT_TRUE(paints()) << "the run's first step";
    for (int hit = 1; hit <= 10; ++hit) {
        for (int ms = 0; ms < 5000 && !inRing(); ++ms) Advance(1);
        ASSERT_TRUE(inRing());
        press();
        ASSERT_EQ(Latest().board.lblScores[1], std::to_string(hit));
        ASSERT_TRUE(paints()) << "the score after hit " << hit;
    }
    ASSERT_EQ(Latest().state.Level, 2);
    Advance(1600);
    ASSERT_EQ(Latest().depth, 0u);
    ASSERT_TRUE(paints()) << "the last ball of level 2's track";
    press();  // Start
    while (inRing()) Advance(1);
    press();  // a miss
    ASSERT_NE(Box(), nullptr);
    ASSERT_TRUE(paints()) << "the miss";
    QTest::mouseClick(Box()->button(QMessageBox::Ok), Qt::LeftButton);
    ASSERT_EQ(Box(), nullptr);
    ASSERT_EQ(Latest().board.lblScores[2], "10");
    ASSERT_TRUE(paints()) << "the board after the miss's reset";
    Advance(1600);
    ASSERT_TRUE(paints()) << "the last ball of level 1's track after the reset";
}

// The ways a player closes a message box.
enum class CloseWay { ClickOnOk, Return, Space };

class ABoxClosedAsAPlayerClosesIt : public RealWindow,
                                    public ::testing::WithParamInterface<CloseWay> {
  protected:
    // Closes the open box with a real click or key, as a player would: a box the player
    // cannot use stays open.
    void Close(QMessageBox* box) {
        // The box comes to the front with the keyboard, as the desktop brings a new box.
        box->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([box] { return QApplication::activeWindow() == box; }));
        switch (GetParam()) {
            case CloseWay::ClickOnOk:
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
                break;
            case CloseWay::Return:
                QTest::keyClick(box->windowHandle(), Qt::Key_Return);
                break;
            case CloseWay::Space:
                QTest::keyClick(box->windowHandle(), Qt::Key_Space);
                break;
        }
    }
};

TEST_P(ABoxClosedAsAPlayerClosesIt, AndTheGameGoesOn) {
    Advance(1600);
    Button("cmdAction")->setFocus();
    QTest::keyClick(Button("cmdAction"), Qt::Key_A);  // Start
    QTest::keyClick(Button("cmdAction"), Qt::Key_A);  // a miss: the particle is on 2..9
    ASSERT_NE(Box(), nullptr);
    Close(Box());
    EXPECT_EQ(Box(), nullptr);
    EXPECT_EQ(Latest().board.cmdAction, "Start");  // the reset that follows the box
    EXPECT_TRUE(PaintsTheBoard(window, game.board()));
    Advance(1700);

    QTest::mouseClick(Button("cmdSubmitScore"), Qt::LeftButton);
    ASSERT_NE(Box(), nullptr);
    ASSERT_EQ(Box()->windowTitle(), "Validation Code");
    Close(Box());
    EXPECT_EQ(Box(), nullptr);
    // The flow ends by handing the focus back: the next key goes to the action button.
    QPushButton* action = Button("cmdAction");
    EXPECT_EQ(window.focusWidget(), action);
    QTest::keyClick(action, Qt::Key_A);
    EXPECT_EQ(Latest().board.cmdAction, "Accelerate");
}

INSTANTIATE_TEST_SUITE_P(RealWindow, ABoxClosedAsAPlayerClosesIt,
                         ::testing::Values(CloseWay::ClickOnOk, CloseWay::Return, CloseWay::Space),
                         [](const ::testing::TestParamInfo<CloseWay>& info) -> std::string {
                             switch (info.param) {
                                 case CloseWay::ClickOnOk:
                                     return "ClickOnOk";
                                 case CloseWay::Return:
                                     return "Return";
                                 case CloseWay::Space:
                                     return "Space";
                             }
                             return "Unknown";
                         });

TEST(StartUp, TheWindowIsCentredFromTheSizeItReallyHas) {
    testing::MovedClock clock{0};
    MainWindow window;
    QtEffects effects{window};
    QtSources sources;
    Game game{sources, effects};
    LiveDriver driver{game, clock, effects, window};
    driver.Start();
    ASSERT_TRUE(QTest::qWaitFor([&driver] { return driver.Started(); }));
    // Frame and all, the window's middle is the screen's (an odd difference rounded down).
    const QRect outer = window.frameGeometry();
    EXPECT_EQ(outer.topLeft(), CentredTopLeft(window.screen()->geometry(), outer.size()));
    clock.WaitIdle();
}

TEST(StartUp, TheFirstBallIsOnTheScreenTheMomentItsWaitBegins) {
    testing::MovedClock clock{7000};
    MainWindow window;
    QtEffects effects{window};
    QtSources sources;
    Game game{sources, effects};
    LiveDriver driver{game, clock, effects, window};
    driver.Start();
    ASSERT_TRUE(QTest::qWaitFor([&driver] { return driver.Started(); }));
    // Nothing handed over from the game's thread yet: the first board was painted as the game
    // loaded, at the reading its first ball's wait counts from.
    const Snapshot& first = driver.LatestSnapshot();
    EXPECT_EQ(first.state.StepStart, 7000u);
    EXPECT_TRUE(first.board.imgBall[1].visible);
    const QImage painted = window.grab().toImage();
    const Point ball = first.board.imgBall[1].pos;
    EXPECT_NE(painted.pixelColor(ball.left + kBallSize / 2, ball.top + kBallSize / 2),
              QColor(Qt::black));
    // And it stays alone for its whole 50 ms.
    clock.WaitIdle();
    for (int ms = 1; ms <= 50; ++ms) {
        ++clock.now;
        driver.Deliver(Input::WakeUp);
        clock.WaitIdle();
        effects.windowThread().RunPending();
        EXPECT_EQ(driver.LatestSnapshot().board.imgBall[2].visible, ms == 50) << ms;
    }
}

TEST(StartUp, TheFirstBallWaitsForTheWindowToBeOnTheScreen) {
    testing::MovedClock clock{5000};
    MainWindow window;
    QtEffects effects{window};
    QtSources sources;
    Game game{sources, effects};
    LiveDriver driver{game, clock, effects, window};
    driver.Start();
    // Shown but not yet on the screen: the reset and its animation have not begun, so the
    // first ball cannot appear before the window does.
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(driver.Started());
    EXPECT_EQ(game.board().cmdAction, "Start");
    EXPECT_EQ(game.board().imgBall[1].picture, 0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(QTest::qWaitFor([&driver] { return driver.Started(); }));
    clock.WaitIdle();
    effects.windowThread().RunPending();
    // The animation starts at the reading the window came on the screen at: ball 1 now.
    const Snapshot& latest = driver.LatestSnapshot();
    EXPECT_TRUE(latest.board.imgBall[1].visible);
    EXPECT_EQ(latest.board.imgBall[1].picture, 2);
    EXPECT_FALSE(latest.board.imgBall[2].visible);
    EXPECT_EQ(latest.state.StepStart, 5000u);
}

// Sources that fail at the first draw, as a fault in the game would make its thread fail.
class FailingSources final : public Sources {
  public:
    float NextRandom() override { throw std::runtime_error("the generator broke"); }
    std::string ShortDate() override { return "5/16/2001"; }
};

TEST(StartUp, AGameThatFailsEndsAndSaysWhyInABoxWhoseCloseEndsTheProgram) {
    testing::MovedClock clock{0};
    MainWindow window;
    QtEffects effects{window};
    FailingSources sources;
    Game game{sources, effects};
    LiveDriver driver{game, clock, effects, window};
    driver.Start();
    ASSERT_TRUE(QTest::qWaitFor([&driver] { return driver.Started(); }));
    clock.WaitIdle();
    QTest::mousePress(window.findChild<QPushButton*>("cmdAction"), Qt::LeftButton);  // Start
    auto* failure = window.findChild<QMessageBox*>("failure");
    ASSERT_TRUE(QTest::qWaitFor([&] {
        failure = window.findChild<QMessageBox*>("failure");
        return failure != nullptr && failure->isVisible();
    }));
    EXPECT_EQ(failure->text(), "the generator broke");
    EXPECT_EQ(failure->icon(), QMessageBox::Critical);
    // The game has ended: nothing more reaches it, and its thread is gone.
    EXPECT_TRUE(game.scheduler().Idle());
    EXPECT_EQ(game.NextWake(), std::nullopt);
    // The player closes the box as a player does; the program's loop ends with status 1.
    int status = -1;
    QTimer::singleShot(
        0, [&] { QTest::mouseClick(failure->button(QMessageBox::Ok), Qt::LeftButton); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });  // a close that never comes
    status = QCoreApplication::exec();
    EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace gyrolap
