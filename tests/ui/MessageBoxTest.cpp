// SPDX-License-Identifier: MIT
// The game's message box: where it appears, on its first showing and on every later one, and
// that its one OK button carries text only, whatever the style would give it.
#include <QApplication>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>

#include "UiTestSupport.h"
#include "ui/QtEffects.h"

namespace gyrolap::testing {
namespace {

const char kMiss[] = "Oops, click 'Accelerate' when the particle is in the ring.";
// Three lines where the first message has one (two where the fonts wrap it): another size
// whatever the fonts, even where both reach the widest a box may be.
const char kLonger[] =
    "Your validation code has been copied to the clipboard.\r\nA second, longer line that "
    "makes the box wider than the first message.\r\nAnd a third line.";

class MessageBoxTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        effects = std::make_unique<QtEffects>(*window);
    }
    void TearDown() override {
        effects.reset();
        MainWindowFixture::TearDown();
    }

    // Shows a message and returns the box once it is on the screen.
    QMessageBox* Show(const char* text) {
        effects->ShowMessage("Gyrolap", text);
        auto* box = qobject_cast<QMessageBox*>(effects->OpenMessage());
        EXPECT_NE(box, nullptr);
        if (box != nullptr) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(box));
        }
        return box;
    }

    // How far the box's middle lies from the game window's middle, doubled to stay whole.
    QPoint OffCentre(const QWidget* box) const {
        const QRect owner = window->geometry();
        const QRect shown = box->geometry();
        return {2 * shown.x() + shown.width() - (2 * owner.x() + owner.width()),
                2 * shown.y() + shown.height() - (2 * owner.y() + owner.height())};
    }

    std::unique_ptr<QtEffects> effects;
};

TEST_F(MessageBoxTest, AppearsCentredOnTheGameWindowAtEveryShowing) {
    window->move(140, 90);
    ShowActive();
    QMessageBox* first = Show(kMiss);
    ASSERT_NE(first, nullptr);
    const QRect firstPlace = first->geometry();
    EXPECT_LE(std::abs(OffCentre(first).x()), 1);
    EXPECT_LE(std::abs(OffCentre(first).y()), 1);
    first->accept();

    // The same message again: the very same place, to the pixel.
    QMessageBox* again = Show(kMiss);
    ASSERT_EQ(again, first);  // one box, shown again
    EXPECT_EQ(again->geometry(), firstPlace);
    again->accept();

    // Another text gives the box another size; it stays centred all the same.
    QMessageBox* longer = Show(kLonger);
    ASSERT_NE(longer, nullptr);
    EXPECT_GT(longer->height(), firstPlace.height());
    EXPECT_LE(std::abs(OffCentre(longer).x()), 1);
    EXPECT_LE(std::abs(OffCentre(longer).y()), 1);
    longer->accept();
}

TEST_F(MessageBoxTest, FollowsTheGameWindowWhereverItWasMoved) {
    ShowActive();
    for (const QPoint place : {QPoint(20, 30), QPoint(300, 200)}) {
        SCOPED_TRACE(::testing::PrintToString(std::make_pair(place.x(), place.y())));
        window->move(place);
        QMessageBox* box = Show(kMiss);
        ASSERT_NE(box, nullptr);
        EXPECT_LE(std::abs(OffCentre(box).x()), 1);
        EXPECT_LE(std::abs(OffCentre(box).y()), 1);
        box->accept();
    }
}

// A style that gives dialog buttons icons, as some desktop themes do.
class IconButtonsStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

TEST_F(MessageBoxTest, OkButtonCarriesNoIconEvenWhereTheStyleGivesThemOne) {
    const QString previous = QApplication::style()->name();
    QApplication::setStyle(new IconButtonsStyle(QStyleFactory::create(previous)));
    ShowActive();
    QMessageBox* box = Show(kMiss);
    const bool shown = box != nullptr;
    const QAbstractButton* ok = shown ? box->button(QMessageBox::Ok) : nullptr;
    const bool hasOk = ok != nullptr;
    const bool iconless = hasOk && ok->icon().isNull();
    const QString okText = hasOk ? ok->text() : QString();
    if (shown) box->accept();
    QApplication::setStyle(QStyleFactory::create(previous));

    ASSERT_TRUE(shown);
    ASSERT_TRUE(hasOk);
    EXPECT_TRUE(iconless);
    EXPECT_FALSE(okText.isEmpty());
    EXPECT_EQ(box->buttons().size(), 1);
}

TEST_F(MessageBoxTest, AWatchersBoxLooksAsThePlayersDidButTheWatcherCannotCloseIt) {
    ShowActive();
    QMessageBox* played = Show(kMiss);
    ASSERT_NE(played, nullptr);
    const QImage looked = played->grab().toImage();
    played->accept();

    QtEffects watching(*window, QtEffects::Mode::Watching);
    watching.ShowMessage("Gyrolap", kMiss);
    auto* box = qobject_cast<QMessageBox*>(watching.OpenMessage());
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
    // The same box to the pixel: the watcher sees what the player saw, not a greyed copy.
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(box->grab().toImage(), looked);
    // Whatever the watcher does, the box stays until the recording closes it.
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Escape);
    QTest::keyClick(box->button(QMessageBox::Ok), Qt::Key_Space);
    box->close();
    EXPECT_EQ(watching.OpenMessage(), box);
    watching.CloseMessage();
    EXPECT_EQ(watching.OpenMessage(), nullptr);
}

}  // namespace
}  // namespace gyrolap::testing
