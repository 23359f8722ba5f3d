// SPDX-License-Identifier: MIT
// The main window's fixed design: every control's place, size, text, colour and font; the
// window's size and buttons; the preview grid; and how renderBoard carries the board over.
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>

#include "UiTestSupport.h"
#include "ui/Artwork.h"

namespace gyrolap::testing {
namespace {

using MainWindowLayoutTest = MainWindowFixture;

enum class Kind { Button, ScoreLabel, TempLabel, Outline, Picture };

struct ControlDesign {
    const char* name;
    Kind kind;
    QRect place;
    const char* text;  // buttons and labels
    QColor colour;     // label text
};

const QColor kWhiteText(255, 255, 255);
const QColor kRedText(255, 0, 0);
const QColor kDarkRedText(167, 0, 0);
const QColor kDeepRedText(127, 0, 0);

const ControlDesign kDesign[] = {
    {"cmdAction", Kind::Button, {400, 8, 65, 25}, "Start", {}},
    {"cmdHelp", Kind::Button, {472, 8, 65, 25}, "Help", {}},
    {"cmdSubmitScore", Kind::Button, {424, 144, 81, 25}, "Submit Score", {}},
    {"Label1", Kind::ScoreLabel, {400, 40, 65, 17}, "Current", kWhiteText},
    {"Label2", Kind::ScoreLabel, {400, 72, 65, 25}, "High 3 ", kDarkRedText},
    {"Label4", Kind::ScoreLabel, {400, 104, 65, 18}, "High", kWhiteText},
    {"Label3", Kind::ScoreLabel, {400, 120, 65, 18}, "Avg ", kWhiteText},
    {"lblScores1", Kind::ScoreLabel, {464, 40, 70, 17}, "0", kWhiteText},
    {"lblScores2", Kind::ScoreLabel, {464, 56, 70, 17}, "0", kRedText},
    {"lblScores3", Kind::ScoreLabel, {464, 72, 70, 17}, "0", kDarkRedText},
    {"lblScores4", Kind::ScoreLabel, {464, 88, 70, 17}, "0", kDeepRedText},
    {"lblScores6", Kind::ScoreLabel, {464, 104, 70, 17}, "0", kWhiteText},
    {"lblScores5", Kind::ScoreLabel, {464, 120, 70, 17}, "0", kWhiteText},
    {"lblScoreTemp", Kind::TempLabel, {176, 352, 25, 17}, "000", kWhiteText},
    {"Shape1", Kind::Outline, {400, 40, 135, 100}, nullptr, {}},
    {"Line1", Kind::Outline, {400, 57, 135, 1}, nullptr, {}},
    {"Line2", Kind::Outline, {400, 104, 135, 1}, nullptr, {}},
    {"Line3", Kind::Outline, {464, 40, 1, 100}, nullptr, {}},
    {"Line4", Kind::Outline, {388, 0, 1, 393}, nullptr, {}},
    {"shapeCurrentPath", Kind::Outline, {421, 176, 30, 30}, nullptr, {}},
    {"imgPreview1", Kind::Picture, {421, 176, 30, 30}, nullptr, {}},
    {"imgPreview2", Kind::Picture, {453, 176, 30, 30}, nullptr, {}},
    {"imgPreview6", Kind::Picture, {485, 176, 30, 30}, nullptr, {}},
    {"imgPreview4", Kind::Picture, {421, 208, 30, 30}, nullptr, {}},
    {"imgPreview5", Kind::Picture, {453, 208, 30, 30}, nullptr, {}},
    {"imgPreview3", Kind::Picture, {485, 208, 30, 30}, nullptr, {}},
    {"imgLogo", Kind::Picture, {392, 248, 151, 51}, nullptr, {}},
};

TEST_F(MainWindowLayoutTest, EveryControlHasItsDesignedPlaceTextColourAndFont) {
    for (const ControlDesign& design : kDesign) {
        SCOPED_TRACE(design.name);
        QWidget* control = Child(design.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(), design.place);
        EXPECT_TRUE(control->isVisibleTo(window.get()));
        switch (design.kind) {
            case Kind::Button: {
                auto* button = qobject_cast<QPushButton*>(control);
                ASSERT_NE(button, nullptr);
                EXPECT_EQ(button->text(), QString::fromLatin1(design.text));
                EXPECT_EQ(button->font().pixelSize(), 11);
                EXPECT_FALSE(button->font().bold());
                EXPECT_FALSE(button->accessibleName().isEmpty());
                break;
            }
            case Kind::ScoreLabel:
            case Kind::TempLabel: {
                auto* label = qobject_cast<QLabel*>(control);
                ASSERT_NE(label, nullptr);
                EXPECT_EQ(label->text(), QString::fromLatin1(design.text));
                EXPECT_EQ(label->alignment(), Qt::AlignTop | Qt::AlignHCenter);
                EXPECT_EQ(label->palette().color(QPalette::WindowText), design.colour);
                const bool score = design.kind == Kind::ScoreLabel;
                EXPECT_EQ(label->font().pixelSize(), score ? 16 : 11);
                EXPECT_EQ(label->font().bold(), score);
                // Score labels paint a black ground; the in-ring score paints none.
                EXPECT_EQ(label->autoFillBackground(), score);
                if (score) {
                    EXPECT_EQ(label->palette().color(QPalette::Window), QColor(0, 0, 0));
                }
                break;
            }
            case Kind::Outline:
            case Kind::Picture:
                break;
        }
    }
}

TEST_F(MainWindowLayoutTest, ArialResolvesToAnInstalledSansFace) {
    // The panel must not fall back to some unrelated face where Arial is missing.
    const QFontInfo info(Child("Label1")->font());
    EXPECT_TRUE(info.family() == QStringLiteral("Arial") ||
                info.family() == QStringLiteral("Liberation Sans"))
        << info.family().toStdString();
}

TEST_F(MainWindowLayoutTest, ClientAreaIsFixedWithMinimiseAndCloseButNoMaximise) {
    EXPECT_EQ(window->size(), QSize(544, 397));
    EXPECT_EQ(window->minimumSize(), QSize(544, 397));
    EXPECT_EQ(window->maximumSize(), QSize(544, 397));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(window->windowIcon().isNull());

    // Trying to enlarge it (the source pictures lie to the right) changes nothing.
    window->resize(700, 500);
    EXPECT_EQ(window->size(), QSize(544, 397));
}

TEST_F(MainWindowLayoutTest, PreviewGridShowsLevelsOneToThreeOverFourToSix) {
    // imgPreview index -> level it shows; the right-hand column's indexes do not follow.
    const std::pair<const char*, int> grid[] = {
        {"imgPreview1", 1}, {"imgPreview2", 2}, {"imgPreview6", 3},
        {"imgPreview4", 4}, {"imgPreview5", 5}, {"imgPreview3", 6},
    };
    for (const auto& [name, level] : grid) {
        SCOPED_TRACE(name);
        const QImage shown = Grab(Child(name));
        for (int other = 1; other <= 6; ++other) {
            const QImage drawing = TrackPreviewImage(other).convertToFormat(QImage::Format_RGB32);
            EXPECT_EQ(shown == drawing, other == level) << "level " << other;
        }
    }
}

TEST_F(MainWindowLayoutTest, TabOrderRunsActionHelpSubmitAndActionHoldsTheFocus) {
    ShowActive();
    auto* action = Child("cmdAction");
    EXPECT_EQ(QApplication::focusWidget(), action);
    QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Child("cmdHelp"));
    QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Child("cmdSubmitScore"));
    QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), action);
}

TEST_F(MainWindowLayoutTest, RenderBoardCarriesCaptionTextsAndPlacesOver) {
    board.cmdAction = "Accelerate";
    board.lblScores = {"", "17", "40", "23", "5", "22.667", "40"};
    board.lblScoreTemp = "17";
    board.lblScoreTempPos = {180, 192};
    board.shapeCurrentPath = {420, 208};
    Render();

    EXPECT_EQ(Child<QPushButton>("cmdAction")->text(), QStringLiteral("Accelerate"));
    const char* texts[] = {"", "17", "40", "23", "5", "22.667", "40"};
    for (int i = 1; i <= 6; ++i) {
        auto* label = Child<QLabel>(QStringLiteral("lblScores%1").arg(i).toLatin1().constData());
        EXPECT_EQ(label->text(), QString::fromLatin1(texts[i])) << i;
        // A screen reader hears the role and the number.
        EXPECT_TRUE(label->accessibleName().endsWith(QString::fromLatin1(texts[i]))) << i;
    }
    auto* scoreTemp = Child<QLabel>("lblScoreTemp");
    EXPECT_EQ(scoreTemp->text(), QStringLiteral("17"));
    EXPECT_EQ(scoreTemp->geometry(), QRect(180, 192, 25, 17));
    EXPECT_EQ(Child("shapeCurrentPath")->geometry(), QRect(420, 208, 30, 30));

    // Emptied texts are carried over too (the reset empties the in-ring score).
    board.lblScoreTemp.clear();
    board.cmdAction = "Start";
    Render();
    EXPECT_TRUE(scoreTemp->text().isEmpty());
    EXPECT_EQ(Child<QPushButton>("cmdAction")->text(), QStringLiteral("Start"));
}

}  // namespace
}  // namespace gyrolap::testing
