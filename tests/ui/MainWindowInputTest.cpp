// SPDX-License-Identifier: MIT
// Which input is the game's press: typed characters and any mouse button going down on the
// action button or on the ring count once, at once; clicks elsewhere count nothing.
#include <QPushButton>
#include <QSignalSpy>

#include "UiTestSupport.h"
#include "ui/HelpWindow.h"

namespace gyrolap::testing {
namespace {

class MainWindowInputTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        // Level 1 laid out, the ring at its bottom with a ball under it.
        LayOutLevel(board, 1, 1);
        Render();
        ShowActive();
        presses = std::make_unique<QSignalSpy>(window.get(), &MainWindow::actionPressed);
    }

    QWindow* handle() const { return window->windowHandle(); }
    QPoint Centre(const char* name) const {
        QWidget* control = Child(name);
        return control->mapTo(window.get(), control->rect().center());
    }
    QPoint Ring(int dx, int dy) const {
        return {board.imgTarget.left + dx, board.imgTarget.top + dy};
    }

    std::unique_ptr<QSignalSpy> presses;
};

TEST_F(MainWindowInputTest, TypedCharactersAtTheActionButtonPressButFocusKeysDoNot) {
    struct Case {
        Qt::Key key;
        int presses;
    };
    const Case cases[] = {
        {Qt::Key_A, 1},       {Qt::Key_5, 1},    {Qt::Key_Space, 1},   {Qt::Key_Return, 1},
        {Qt::Key_Escape, 1},  {Qt::Key_Left, 0}, {Qt::Key_Down, 0},    {Qt::Key_Shift, 0},
        {Qt::Key_Control, 0}, {Qt::Key_Tab, 0},  {Qt::Key_Backtab, 0},
    };
    auto* action = Child("cmdAction");
    for (const Case& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key).toString().toStdString());
        action->setFocus();
        presses->clear();
        // Through the window, as the keyboard would: the key goes to the focused control.
        QTest::keyClick(handle(), c.key);
        EXPECT_EQ(presses->count(), c.presses);
    }
}

TEST_F(MainWindowInputTest, KeysTypedAtOtherButtonsAreNotPresses) {
    Child("cmdHelp")->setFocus();
    QTest::keyClick(handle(), Qt::Key_A);
    Child("cmdSubmitScore")->setFocus();
    QTest::keyClick(handle(), Qt::Key_A);
    EXPECT_EQ(presses->count(), 0);
}

TEST_F(MainWindowInputTest, ReturnAndEnterActivateAFocusedHelpOrSubmitScoreButton) {
    QSignalSpy submits(window.get(), &MainWindow::submitClicked);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        submits.clear();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        Child("cmdSubmitScore")->setFocus();
        QTest::keyClick(handle(), key);
        EXPECT_TRUE(QTest::qWaitFor([&submits] { return submits.count() == 1; }));

        Child("cmdHelp")->setFocus();
        QTest::keyClick(handle(), key);
        ASSERT_TRUE(QTest::qWaitFor([this] { return window->helpWindow() != nullptr; }));
        window->helpWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(presses->count(), 0);
    }
}

TEST_F(MainWindowInputTest, TheActionButtonIsNamedAfterItsCaption) {
    EXPECT_EQ(Child("cmdAction")->accessibleName(), "Start");
    board.cmdAction = "Accelerate";
    Render();
    EXPECT_EQ(Child("cmdAction")->accessibleName(), "Accelerate");
}

TEST_F(MainWindowInputTest, AnyMouseButtonGoingDownOnTheActionButtonPressesAtOnce) {
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(button);
        presses->clear();
        QTest::mousePress(handle(), button, {}, Centre("cmdAction"));
        EXPECT_EQ(presses->count(), 1);  // before the release
        QTest::mouseRelease(handle(), button, {}, Centre("cmdAction"));
        EXPECT_EQ(presses->count(), 1);  // the release and the click add nothing
    }
}

TEST_F(MainWindowInputTest, DoubleClickCountsEachButtonGoingDown) {
    QTest::mouseDClick(handle(), Qt::LeftButton, {}, Centre("cmdAction"));
    EXPECT_EQ(presses->count(), 2);
    presses->clear();
    QTest::mouseDClick(handle(), Qt::LeftButton, {}, Ring(18, 18));
    EXPECT_EQ(presses->count(), 2);
}

TEST_F(MainWindowInputTest, TheButtonsOwnClickIsNoPress) {
    Child<QPushButton>("cmdAction")->click();
    EXPECT_EQ(presses->count(), 0);
}

TEST_F(MainWindowInputTest, MouseDownAnywhereOnTheRingSquarePresses) {
    struct Case {
        QPoint at;
        int presses;
    };
    const Case cases[] = {
        {Ring(0, 0), 1},   {Ring(36, 36), 1}, {Ring(36, 0), 1},
        {Ring(18, 18), 1},  // the middle, under the in-ring score label
        {Ring(8, 12), 1},   // the ring's see-through middle over the ball
        {Ring(-1, 18), 0}, {Ring(37, 18), 0}, {Ring(18, -1), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::make_pair(c.at.x(), c.at.y())));
        for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
            presses->clear();
            QTest::mousePress(handle(), button, {}, c.at);
            EXPECT_EQ(presses->count(), c.presses);
            QTest::mouseRelease(handle(), button, {}, c.at);
            EXPECT_EQ(presses->count(), c.presses);
        }
    }
}

TEST_F(MainWindowInputTest, ClicksOnLabelsPreviewsBallsAndGroundDoNothing) {
    QSignalSpy submits(window.get(), &MainWindow::submitClicked);
    QSignalSpy logos(window.get(), &MainWindow::logoClicked);
    const auto& ball9 = board.imgBall[9].pos;  // on the left of the circle, far from the ring
    const QPoint places[] = {
        Centre("Label1"),
        Centre("lblScores1"),
        Centre("lblScores5"),
        Centre("imgPreview1"),
        Centre("imgPreview3"),
        Centre("shapeCurrentPath"),
        {ball9.left + 14, ball9.top + 14},
        {100, 100},  // the ground of the play field
        {540, 390},  // the ground of the panel
    };
    for (const QPoint& at : places) {
        QTest::mouseClick(handle(), Qt::LeftButton, {}, at);
        QTest::mouseClick(handle(), Qt::RightButton, {}, at);
    }
    EXPECT_EQ(presses->count(), 0);
    EXPECT_EQ(submits.count(), 0);
    EXPECT_EQ(logos.count(), 0);
}

TEST_F(MainWindowInputTest, SubmitScoreAndLogoClicksHaveTheirOwnSignals) {
    QSignalSpy submits(window.get(), &MainWindow::submitClicked);
    QSignalSpy logos(window.get(), &MainWindow::logoClicked);

    QTest::mouseClick(handle(), Qt::LeftButton, {}, Centre("cmdSubmitScore"));
    EXPECT_EQ(submits.count(), 1);

    // The logo answers a click: press and release on it, not the press alone.
    QTest::mousePress(handle(), Qt::LeftButton, {}, Centre("imgLogo"));
    EXPECT_EQ(logos.count(), 0);
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, Centre("imgLogo"));
    EXPECT_EQ(logos.count(), 1);
    // Pressed on the logo but released off it: no click.
    QTest::mousePress(handle(), Qt::LeftButton, {}, Centre("imgLogo"));
    QTest::mouseRelease(handle(), Qt::LeftButton, {}, Centre("lblScores1"));
    EXPECT_EQ(logos.count(), 1);

    EXPECT_EQ(presses->count(), 0);
}

}  // namespace
}  // namespace gyrolap::testing
