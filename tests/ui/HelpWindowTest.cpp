// SPDX-License-Identifier: MIT
// The help window: its text, word for word; its look; opening centred, raising without
// moving, centring again after a close; the focus going back to the action button.
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>

#include "UiTestSupport.h"
#include "ui/HelpWindow.h"

namespace gyrolap::testing {
namespace {

const char* const kInstructions[] = {
    "Welcome to Gyrolap!",
    "",
    "Objective",
    "Your goal in Gyrolap is to keep the ",
    "particle in motion around its path.  This is ",
    "accomplished by hitting \"Accelerate\" each time the ",
    "particle passes through the red accelerator ring.  ",
    "You loose if you hit too early or late, after which ",
    "you go back to level one.  Each time the particle ",
    "passes through the accelerator ring, its speed ",
    "increases.  After you pass ten levels, you go to a ",
    "new round with a new pattern for the particle to ",
    "travel in.  When each level starts, the particle ",
    "slows down back to normal so that you can adjust to ",
    "the new pattern.  There are no new rounds after ",
    "level six, so it just continues on faster and ",
    "faster.  This is where you will die if you make it ",
    "this far.",
    "",
    "Scoring",
    "Your score is determined by the number of rounds ",
    "that you can finish.  Your highest three scores ",
    "during the current session and their average are ",
    "displayed.  The current session is just however ",
    "long you've had the game running this particular ",
    "time.  Closing the program resets the session and ",
    "thus your scores.",
};

class HelpWindowTest : public MainWindowFixture {
  protected:
    HelpWindow* OpenHelp() {
        QTest::mouseClick(Child("cmdHelp"), Qt::LeftButton);
        HelpWindow* help = window->helpWindow();
        EXPECT_NE(help, nullptr);
        if (help != nullptr) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(help));
        }
        return help;
    }

    // Where the outer frame's middle lies against the middle of the screen's free area.
    static QPoint OffCentre(const HelpWindow* help) {
        const QRect area = help->screen()->geometry();
        const QRect frame = help->frameGeometry();
        return QPoint(2 * frame.x() + frame.width() - (2 * area.x() + area.width()),
                      2 * frame.y() + frame.height() - (2 * area.y() + area.height()));
    }

    static void DeletePendingWindows() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(HelpWindowTest, HoldsTheTwentySevenLinesEachEndedByALineBreak) {
    HelpWindow help;
    const QString text = help.textBox()->toPlainText();
    EXPECT_TRUE(text.endsWith(QLatin1Char('\n')));  // the last line has its break too
    const QStringList lines = text.split(QLatin1Char('\n'));
    // The break after line 27 leaves an empty last line in the box.
    ASSERT_EQ(lines.size(), 28);
    for (int i = 0; i < 27; ++i)
        EXPECT_EQ(lines[i].toStdString(), std::string(kInstructions[i])) << "line " << i + 1;
    EXPECT_TRUE(lines[27].isEmpty());
    EXPECT_EQ(help.textBox()->document()->blockCount(), 28);
}

TEST_F(HelpWindowTest, FixedReadOnlyScrollingTextBoxInAMonospacedFace) {
    HelpWindow help;
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Gyrolap Help"));
    EXPECT_EQ(help.size(), QSize(446, 392));
    EXPECT_EQ(help.minimumSize(), help.maximumSize());
    EXPECT_EQ(help.parentWidget(), nullptr);
    EXPECT_TRUE(help.isWindow());
    EXPECT_FALSE(help.windowIcon().isNull());
    const Qt::WindowFlags flags = help.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));

    QPlainTextEdit* text = help.textBox();
    EXPECT_EQ(text->geometry(), QRect(8, 8, 433, 377));
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(text->font().pixelSize(), 13);
    EXPECT_TRUE(QFontInfo(text->font()).fixedPitch());
    EXPECT_FALSE(text->accessibleName().isEmpty());
}

TEST_F(HelpWindowTest, TypingChangesNothingAndTheLastLineCanBeScrolledTo) {
    ShowActive();
    HelpWindow* help = OpenHelp();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    QPlainTextEdit* text = help->textBox();
    EXPECT_EQ(QApplication::focusWidget(), text);
    const QString before = text->toPlainText();
    for (const char key : {'x', 'y', 'z'}) QTest::keyClick(help->windowHandle(), key);
    QTest::keyClick(help->windowHandle(), Qt::Key_Backspace);
    QTest::keyClick(help->windowHandle(), Qt::Key_Delete);
    QTest::keyClick(help->windowHandle(), Qt::Key_Return);
    EXPECT_EQ(text->toPlainText(), before);

    QScrollBar* bar = text->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);  // the text is longer than the box
    bar->setValue(bar->maximum());
    // Scrolled to the end, the last line of text and the empty line after it are in view.
    const QTextDocument* document = text->document();
    const QTextBlock lastText = document->findBlockByNumber(26);
    ASSERT_EQ(lastText.text(), QStringLiteral("thus your scores."));
    const QRect view = text->viewport()->rect();
    EXPECT_TRUE(view.contains(text->cursorRect(QTextCursor(lastText))));
    EXPECT_TRUE(view.contains(text->cursorRect(QTextCursor(document->lastBlock()))));
    const QTextCursor bottom = text->cursorForPosition(view.bottomLeft() - QPoint(-2, 4));
    EXPECT_EQ(bottom.blockNumber(), 27);
}

TEST_F(HelpWindowTest, OpensCentredAsASeparateWindowAndLeavesTheGameWindowUsable) {
    ShowActive();
    QSignalSpy presses(window.get(), &MainWindow::actionPressed);
    HelpWindow* help = OpenHelp();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_FALSE(help->isModal());
    EXPECT_EQ(help->parentWidget(), nullptr);
    const QPoint off = OffCentre(help);
    EXPECT_LE(std::abs(off.x()), 1);
    EXPECT_LE(std::abs(off.y()), 1);
    EXPECT_EQ(presses.count(), 0);  // Help is no game press

    // The game window still takes presses while the help window is open.
    QTest::mousePress(Child("cmdAction"), Qt::RightButton);
    EXPECT_EQ(presses.count(), 1);
}

TEST_F(HelpWindowTest, HelpWhileOpenRaisesTheSameWindowWhereItIs) {
    ShowActive();
    HelpWindow* help = OpenHelp();
    ASSERT_NE(help, nullptr);
    help->move(30, 40);
    const QRect moved = help->frameGeometry();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    QTest::mouseClick(Child("cmdHelp"), Qt::LeftButton);
    EXPECT_EQ(window->helpWindow(), help);
    EXPECT_EQ(help->frameGeometry(), moved);
    EXPECT_TRUE(QTest::qWaitForWindowActive(help));
}

TEST_F(HelpWindowTest, ClosingDestroysItAndTheNextHelpCentresAgain) {
    ShowActive();
    QPointer<HelpWindow> first = OpenHelp();
    ASSERT_NE(first, nullptr);
    first->move(5, 7);
    first->close();
    EXPECT_EQ(window->helpWindow(), nullptr);
    DeletePendingWindows();
    EXPECT_TRUE(first.isNull());

    HelpWindow* second = OpenHelp();
    ASSERT_NE(second, nullptr);
    const QPoint off = OffCentre(second);
    EXPECT_LE(std::abs(off.x()), 1);
    EXPECT_LE(std::abs(off.y()), 1);
}

TEST_F(HelpWindowTest, ClosingHandsTheKeyboardBackToTheActionButton) {
    ShowActive();
    QSignalSpy presses(window.get(), &MainWindow::actionPressed);
    HelpWindow* help = OpenHelp();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    help->close();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(QApplication::focusWidget(), Child("cmdAction"));
    // The next typed key is the game's press again.
    QTest::keyClick(window->windowHandle(), Qt::Key_Space);
    EXPECT_EQ(presses.count(), 1);
}

TEST_F(HelpWindowTest, F1OpensTheHelpWindowWhicheverButtonHasTheFocusAndIsNoPress) {
    for (const char* focused : {"cmdAction", "cmdHelp", "cmdSubmitScore"}) {
        SCOPED_TRACE(focused);
        ShowActive();
        QSignalSpy presses(window.get(), &MainWindow::actionPressed);
        QSignalSpy submits(window.get(), &MainWindow::submitClicked);
        Child(focused)->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), Child(focused));
        QTest::keyClick(window->windowHandle(), Qt::Key_F1);
        QPointer<HelpWindow> help = window->helpWindow();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(help));
        EXPECT_EQ(presses.count(), 0);
        EXPECT_EQ(submits.count(), 0);
        help->close();
        DeletePendingWindows();
        ASSERT_TRUE(help.isNull());
    }
}

TEST_F(HelpWindowTest, EscClosesTheHelpWindowAndHandsTheKeyboardBack) {
    ShowActive();
    QSignalSpy presses(window.get(), &MainWindow::actionPressed);
    QPointer<HelpWindow> help = OpenHelp();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(help));
    QSignalSpy handBack(help.data(), &HelpWindow::closedByUser);
    QTest::keyClick(help->windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(handBack.count(), 1);
    EXPECT_EQ(window->helpWindow(), nullptr);
    DeletePendingWindows();
    EXPECT_TRUE(help.isNull());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(QApplication::focusWidget(), Child("cmdAction"));
    EXPECT_EQ(presses.count(), 0);  // the Esc stayed in the help window
}

TEST_F(HelpWindowTest, EscOnTheGameWindowIsAPressAsBeforeAndOpensNothing) {
    // Esc types a character, and every typed key at the action button is a press.
    ShowActive();
    QSignalSpy presses(window.get(), &MainWindow::actionPressed);
    QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(presses.count(), 1);
    EXPECT_EQ(window->helpWindow(), nullptr);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(HelpWindowTest, ClosingTheGameWindowTakesTheHelpWindowAlongWithoutHandingBack) {
    ShowActive();
    QSignalSpy closing(window.get(), &MainWindow::closing);
    QPointer<HelpWindow> help = OpenHelp();
    ASSERT_NE(help, nullptr);
    QSignalSpy handBack(help.data(), &HelpWindow::closedByUser);
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(help.isNull());
    EXPECT_EQ(handBack.count(), 0);
    EXPECT_EQ(closing.count(), 1);
}

}  // namespace
}  // namespace gyrolap::testing
