// SPDX-License-Identifier: MIT
// The game in the real window on Qt's offscreen platform, with a clock the test moves: start-up,
// presses through real mouse and key events, the message boxes, Submit Score and closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <string>

#include "PaintedBoard.h"
#include "game/Game.h"
#include "ui/MainWindow.h"
#include "ui/QtDriver.h"
#include "ui/QtPlatform.h"

namespace gyrolap {
namespace {

using testing::PaintsTheBoard;

class RealWindow : public ::testing::Test {
  protected:
    std::uint64_t now = 0xFFFFF000u;  // the game's 32-bit clock wraps during the first run
    QtPlatform platform{[this] { return now; }};
    Game game{platform};
    MainWindow window{game.board()};
    QtDriver driver{game, platform, window};

    void SetUp() override {
        driver.Load();
        // The game starts once the window is on the screen with its first frame.
        ASSERT_TRUE(QTest::qWaitFor([this] { return driver.Started(); }));
    }

    // The clock moves on; whatever fell due on the way runs, as the timer would run it.
    void Advance(std::uint64_t ms) {
        for (std::uint64_t i = 0; i < ms; ++i) {
            ++now;
            driver.Pump();
        }
    }
    // The window as the next frame shows it: the driver paints no faster than the screen.
    QPushButton* Button(const char* name) {
        driver.FlushFrame();
        return window.findChild<QPushButton*>(name);
    }
    QString Label(const char* name) {
        driver.FlushFrame();
        return window.findChild<QLabel*>(name)->text();
    }
    QMessageBox* Box() { return qobject_cast<QMessageBox*>(platform.OpenMessage()); }
    int Shown() {
        int shown = 0;
        for (int i = 1; i <= kBallCount; ++i)
            if (game.board().imgBall[static_cast<std::size_t>(i)].visible) shown = shown ? -1 : i;
        return shown;
    }
};

TEST_F(RealWindow, StartsUpTitledWithTheAnimationUnderWay) {
    EXPECT_EQ(window.windowTitle(), "Gyrolap - ver 2001.0516.1158");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(Button("cmdAction")->text(), "Start");
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(driver.ArmedDelay(), 50);
    Advance(1600);
    EXPECT_EQ(Shown(), -1);
    EXPECT_TRUE(game.scheduler().Idle());
    EXPECT_EQ(driver.ArmedDelay(), -1);  // nothing to wake for: the process sleeps
}

TEST_F(RealWindow, AMouseDownOnTheButtonStartsARunAndTheTimerFollowsTheSteps) {
    Advance(1600);
    QTest::mousePress(Button("cmdAction"), Qt::LeftButton);
    EXPECT_EQ(Button("cmdAction")->text(), "Accelerate");
    EXPECT_EQ(driver.ArmedDelay(), 100);
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
    EXPECT_TRUE(game.scheduler().Idle());
}

TEST_F(RealWindow, SubmitScorePutsTheTextOnTheClipboardAndHandsTheFocusBack) {
    Advance(1600);
    QGuiApplication::clipboard()->setText("something the player had");
    QTest::mouseClick(Button("cmdSubmitScore"), Qt::LeftButton);
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
    // The click left the focus on Submit Score; the flow hands it back to the action button.
    EXPECT_EQ(window.focusWidget(), Button("cmdAction"));
    // Again without a press: the very same text.
    QTest::mouseClick(Button("cmdSubmitScore"), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
    Box()->accept();
}

TEST_F(RealWindow, ClosingMidRunEndsEverythingWithoutTheMissBox) {
    Advance(1600);
    QTest::mousePress(Button("cmdAction"), Qt::LeftButton);
    Advance(300);
    window.close();
    EXPECT_TRUE(game.scheduler().Idle());
    EXPECT_EQ(driver.ArmedDelay(), -1);
    EXPECT_EQ(Box(), nullptr);
    // Nothing resumes, whatever the clock does: no lap limit, no box, no score entered.
    Advance(10000);
    EXPECT_EQ(Box(), nullptr);
    EXPECT_EQ(game.board().lblScores[2], "0");
    EXPECT_EQ(game.board().cmdAction, "Accelerate");
}

TEST_F(RealWindow, PaintsEveryChangeAsTheGameLeftItWithoutBeingHurried) {
    const auto paints = [this] { return PaintsTheBoard(window, game.board()); };
    const auto inRing = [this] {
        const GameState& s = game.state();
        return s.Running && s.RingFlags[static_cast<std::size_t>(s.BallIndex)] && !s.HitLatch;
    };
    const auto press = [this] {
        QTest::mousePress(window.findChild<QPushButton*>("cmdAction"), Qt::LeftButton);
        QTest::mouseRelease(window.findChild<QPushButton*>("cmdAction"), Qt::LeftButton);
    };
    // The window's first frame shows the board the game started with, not the empty one
    // before it.
    ASSERT_TRUE(paints()) << "the first ball of the start-up animation";
    Advance(1600);
    ASSERT_TRUE(game.scheduler().Idle());
    ASSERT_TRUE(paints()) << "the last ball of the start-up animation";
    press();  // Start
    ASSERT_TRUE(paints()) << "the run's first step";
    for (int hit = 1; hit <= 10; ++hit) {
        for (int ms = 0; ms < 5000 && !inRing(); ++ms) Advance(1);
        ASSERT_TRUE(inRing());
        press();
        ASSERT_EQ(game.board().lblScores[1], std::to_string(hit));
        ASSERT_TRUE(paints()) << "the score after hit " << hit;
    }
    ASSERT_EQ(game.state().Level, 2);
    Advance(1600);
    ASSERT_TRUE(game.scheduler().Idle());
    ASSERT_TRUE(paints()) << "the last ball of level 2's track";
    press();  // Start
    while (inRing()) Advance(1);
    press();  // a miss
    ASSERT_NE(Box(), nullptr);
    ASSERT_TRUE(paints()) << "the miss";
    QTest::mouseClick(Box()->button(QMessageBox::Ok), Qt::LeftButton);
    ASSERT_EQ(Box(), nullptr);
    ASSERT_EQ(game.board().lblScores[2], "10");
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
    EXPECT_EQ(game.board().cmdAction, "Start");  // the reset that follows the box
    EXPECT_TRUE(PaintsTheBoard(window, game.board()));
    Advance(1700);

    QTest::mouseClick(Button("cmdSubmitScore"), Qt::LeftButton);
    ASSERT_NE(Box(), nullptr);
    ASSERT_EQ(Box()->windowTitle(), "Validation Code");
    Close(Box());
    EXPECT_EQ(Box(), nullptr);
    // The flow ends by handing the focus back: the next key goes to the action button.
    EXPECT_EQ(window.focusWidget(), Button("cmdAction"));
    QTest::keyClick(Button("cmdAction"), Qt::Key_A);
    EXPECT_EQ(game.board().cmdAction, "Accelerate");
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

TEST(StartUp, TheFirstBallWaitsForTheWindowToBeOnTheScreen) {
    std::uint64_t now = 5000;
    QtPlatform platform{[&now] { return now; }};
    Game game{platform};
    MainWindow window{game.board()};
    QtDriver driver{game, platform, window};
    driver.Load();
    // Shown but not yet on the screen: the reset and its animation have not begun, so the
    // first ball cannot appear before the window does.
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(driver.Started());
    EXPECT_EQ(game.board().cmdAction, "Start");
    EXPECT_EQ(game.board().imgBall[1].picture, 0);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(QTest::qWaitFor([&driver] { return driver.Started(); }));
    driver.Sync();
    // The animation starts at the reading the window came on the screen at: ball 1 now.
    EXPECT_TRUE(game.board().imgBall[1].visible);
    EXPECT_EQ(game.board().imgBall[1].picture, 2);
    EXPECT_FALSE(game.board().imgBall[2].visible);
    EXPECT_EQ(game.state().StepStart, 5000u);
}

}  // namespace
}  // namespace gyrolap
