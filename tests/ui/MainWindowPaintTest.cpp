// SPDX-License-Identifier: MIT
// What the window shows, read back as pixels: the black ground, balls with see-through
// corners, the ring over the ball in it, the in-ring score on top, the marker frame, and
// that a moved ball leaves nothing behind on the screen.
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "UiTestSupport.h"
#include "ui/Artwork.h"

namespace gyrolap::testing {
namespace {

using MainWindowPaintTest = MainWindowFixture;

const QColor kBlackPixel(0, 0, 0);
const QColor kOlivePixel(192, 192, 0);

bool IsGrey(const QColor& c) {
    return c.red() > 30 && std::abs(c.red() - c.green()) <= 2 && c.green() == c.blue();
}

TEST_F(MainWindowPaintTest, PlayFieldIsBlackWhileNoBallHasAPicture) {
    // As designed every ball is visible but has no picture yet, and the ring lies outside;
    // only the in-ring score shows its "000" at its designed place.
    const QImage shown = Grab(window.get());
    ASSERT_EQ(shown.size(), QSize(544, 397));
    const QRect scoreTemp(176, 352, 25, 17);
    for (int y = 0; y < 397; ++y)
        for (int x = 0; x < 388; ++x)
            if (!scoreTemp.contains(x, y)) {
                ASSERT_EQ(Pixel(shown, x, y), kBlackPixel) << x << "," << y;
            }
}

TEST_F(MainWindowPaintTest, BallShowsItsPictureWithCornersOverBlackAndHiddenBallsShowNothing) {
    HideAllBalls(board);
    board.imgBall[3] = {{50, 60}, true, 10};
    board.imgBall[4] = {{150, 60}, false, 1};  // hidden
    board.imgBall[5] = {{250, 60}, true, 0};   // visible but never given a picture
    Render();
    const QImage shown = Grab(window.get());

    EXPECT_EQ(Pixel(shown, 54, 67), QColor(216, 0, 0));  // the highlight of the red step
    for (const QPoint corner : {QPoint(50, 60), QPoint(78, 60), QPoint(50, 88), QPoint(78, 88)})
        EXPECT_EQ(Pixel(shown, corner.x(), corner.y()), kBlackPixel);
    for (int y = 60; y < 89; ++y)
        for (int x = 0; x < 29; ++x) {
            ASSERT_EQ(Pixel(shown, 150 + x, y), kBlackPixel);
            ASSERT_EQ(Pixel(shown, 250 + x, y), kBlackPixel);
        }
}

TEST_F(MainWindowPaintTest, RingLiesOverTheBallsAndTheScoreLabelOverBoth) {
    LayOutLevel(board, 1, 1);
    HideAllBalls(board);
    board.imgBall[1].visible = true;  // the ball in the ring, at 180, 347
    // A second ball pushed right so that it runs under the ring's band.
    board.imgBall[2] = {{board.imgTarget.left + 22, board.imgTarget.top + 4}, true, 1};
    board.lblScoreTemp = "888";
    Render();
    const QImage shown = Grab(window.get());
    const int left = board.imgTarget.left;
    const int top = board.imgTarget.top;

    // The ball shows through the ring's middle.
    EXPECT_TRUE(IsGrey(Pixel(shown, left + 10, top + 12)));
    // The band around it is dark red, also where it crosses the second ball.
    for (const QPoint band : {QPoint(2, 18), QPoint(18, 2), QPoint(34, 18)}) {
        const QColor c = Pixel(shown, left + band.x(), top + band.y());
        EXPECT_GT(c.red(), 50) << band.x() << "," << band.y();
        EXPECT_GT(c.red(), c.green() + 40) << band.x() << "," << band.y();
    }
    // The in-ring score is drawn over ring and ball: white digits inside its rectangle.
    int white = 0;
    for (int y = board.lblScoreTempPos.top; y < board.lblScoreTempPos.top + 17; ++y)
        for (int x = board.lblScoreTempPos.left; x < board.lblScoreTempPos.left + 25; ++x)
            white += Pixel(shown, x, y).lightness() > 240;
    EXPECT_GT(white, 5);
}

// The first row of the label, from its own top, that carries a pixel of its text; -1 when none.
int FirstTextRow(QWidget* label) {
    const QImage shown = Grab(label);
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (Pixel(shown, x, y).red() >= 64) return y;
    return -1;
}

TEST_F(MainWindowPaintTest, CaptionsStartOnTheSameRowAsTheScoresBesideThem) {
    // Caption and value labels of one row share their Top but not their height; text at the
    // top of each keeps the row level ("High 3 " is 8 px taller than its score).
    board.lblScores = {"", "17", "57", "47", "7", "37.000", "57"};
    Render();
    const std::pair<const char*, const char*> rows[] = {
        {"Label1", "lblScores1"},
        {"Label2", "lblScores3"},
        {"Label4", "lblScores6"},
        {"Label3", "lblScores5"},
    };
    for (const auto& [caption, score] : rows) {
        SCOPED_TRACE(caption);
        QWidget* captionLabel = Child(caption);
        QWidget* scoreLabel = Child(score);
        ASSERT_EQ(captionLabel->y(), scoreLabel->y());
        const int captionRow = FirstTextRow(captionLabel);
        ASSERT_GE(captionRow, 0);
        EXPECT_EQ(captionRow, FirstTextRow(scoreLabel));
        // Top-aligned: the text starts within the first few rows, whatever the label's height.
        EXPECT_LE(captionRow, 4);
    }
}

TEST_F(MainWindowPaintTest, MarkerFrameOutlinesTheCurrentLevelsPreview) {
    struct Case {
        int level;
        QPoint marker;
    };
    for (const Case c : {Case{1, {421, 176}}, Case{4, {420, 208}}, Case{6, {485, 208}}}) {
        SCOPED_TRACE(c.level);
        LayOutLevel(board, c.level, 2);
        Render();
        const QImage shown = Grab(window.get());
        const int x = c.marker.x(), y = c.marker.y();
        for (int i = 0; i < 30; ++i) {
            ASSERT_EQ(Pixel(shown, x + i, y), kOlivePixel) << i;
            ASSERT_EQ(Pixel(shown, x + i, y + 29), kOlivePixel) << i;
            ASSERT_EQ(Pixel(shown, x, y + i), kOlivePixel) << i;
            ASSERT_EQ(Pixel(shown, x + 29, y + i), kOlivePixel) << i;
        }
        // Inside, the preview's black ground, not a filled frame.
        EXPECT_EQ(Pixel(shown, x + 2, y + 2), kBlackPixel);
    }
    // The other previews carry no frame: their corners stay black.
    EXPECT_EQ(Pixel(Grab(window.get()), 421, 176), kBlackPixel);
}

TEST_F(MainWindowPaintTest, PanelHasItsOliveFrameAndDividers) {
    const QImage shown = Grab(window.get());
    for (int y = 0; y <= 392; ++y) ASSERT_EQ(Pixel(shown, 388, y), kOlivePixel) << y;
    for (int x = 400; x <= 534; ++x) {
        ASSERT_EQ(Pixel(shown, x, 40), kOlivePixel) << x;
        ASSERT_EQ(Pixel(shown, x, 57), kOlivePixel) << x;
        ASSERT_EQ(Pixel(shown, x, 104), kOlivePixel) << x;
        ASSERT_EQ(Pixel(shown, x, 139), kOlivePixel) << x;
    }
    for (int y = 40; y <= 139; ++y) {
        ASSERT_EQ(Pixel(shown, 400, y), kOlivePixel) << y;
        ASSERT_EQ(Pixel(shown, 464, y), kOlivePixel) << y;
        ASSERT_EQ(Pixel(shown, 534, y), kOlivePixel) << y;
    }
}

TEST_F(MainWindowPaintTest, OnePixelLinesAreOneDevicePixelWideAtEveryScale) {
    // Across each line of the panel, away from the others: a run of exactly one olive device
    // pixel, wherever the line falls between two device pixels.
    struct Across {
        const char* line;
        QPoint from;  // logical, just before the line
        bool down;    // the line is horizontal: cross it going down
    };
    const Across crossings[] = {
        {"Shape1 top", {430, 37}, true},    {"Line1", {430, 54}, true},
        {"Line2", {430, 101}, true},        {"Shape1 bottom", {430, 136}, true},
        {"Shape1 left", {397, 48}, false},  {"Line3", {461, 48}, false},
        {"Shape1 right", {531, 48}, false}, {"Line4", {385, 300}, false},
    };
    for (const qreal ratio : {1.0, 1.25, 1.5, 1.75, 2.0, 2.5}) {
        SCOPED_TRACE(ratio);
        QImage scaled(qRound(544 * ratio), qRound(397 * ratio), QImage::Format_RGB32);
        scaled.setDevicePixelRatio(ratio);
        window->render(&scaled);
        for (const Across& across : crossings) {
            SCOPED_TRACE(across.line);
            const QPoint start(qRound(across.from.x() * ratio), qRound(across.from.y() * ratio));
            int olive = 0;
            for (int step = 0; step < qRound(6 * ratio); ++step) {
                const QPoint at = start + (across.down ? QPoint(0, step) : QPoint(step, 0));
                if (scaled.pixelColor(at) == kOlivePixel) ++olive;
            }
            EXPECT_EQ(olive, 1);
        }
    }
}

TEST_F(MainWindowPaintTest, ScaledScreensGetTheBallDrawnForTheirRatioPixelForPixel) {
    // Odd places fall mid-pixel at 150 %; places apart so that the balls do not overlap.
    const Point places[] = {{13, 61}, {100, 7}, {347, 200}, {181, 301}};
    HideAllBalls(board);
    for (std::size_t i = 0; i < std::size(places); ++i) board.imgBall[i + 1] = {places[i], true, 3};
    Render();
    for (const qreal ratio : {1.25, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        QImage scaled(qRound(544 * ratio), qRound(397 * ratio), QImage::Format_RGB32);
        scaled.setDevicePixelRatio(ratio);
        window->render(&scaled);

        // The ball as drawn for this ratio, over black: it must arrive unscaled and whole,
        // on whole device pixels, rim included.
        QImage ball = ColourStepImage(3, ratio);
        ball.setDevicePixelRatio(1.0);  // compare device pixel with device pixel
        QImage expected(ball.size(), QImage::Format_RGB32);
        expected.fill(Qt::black);
        QPainter(&expected).drawImage(QPoint(0, 0), ball);
        for (const Point& place : places) {
            SCOPED_TRACE(::testing::PrintToString(std::make_pair(place.left, place.top)));
            const QPoint corner(qRound(place.left * ratio), qRound(place.top * ratio));
            for (int y = 0; y < ball.height(); ++y)
                for (int x = 0; x < ball.width(); ++x)
                    ASSERT_EQ(scaled.pixelColor(corner + QPoint(x, y)), expected.pixelColor(x, y))
                        << x << "," << y;
        }
    }
}

// Reads what is on the (offscreen) screen, which only changes where a repaint was asked for.
QImage OnScreen(QWidget* window) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return window->screen()
        ->grabWindow(window->winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

TEST_F(MainWindowPaintTest, MovingAndRecolouringABallRepaintsOldAndNewPlace) {
    HideAllBalls(board);
    board.imgBall[7] = {{40, 40}, true, 1};
    Render();
    ShowActive();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QImage shown = OnScreen(window.get());
    ASSERT_TRUE(IsGrey(Pixel(shown, 54, 54)));

    // Step on: the ball moves and the old place must be cleared on the screen itself.
    board.imgBall[7].pos = {100, 200};
    Render();
    shown = OnScreen(window.get());
    EXPECT_EQ(Pixel(shown, 54, 54), kBlackPixel);
    EXPECT_TRUE(IsGrey(Pixel(shown, 114, 214)));

    // A hit: the same ball takes the red step where it stands.
    board.imgBall[7].picture = 10;
    Render();
    shown = OnScreen(window.get());
    const QColor red = Pixel(shown, 114, 214);
    EXPECT_GT(red.red(), 60);
    EXPECT_EQ(red.green(), 0);

    // Hidden: gone from the screen.
    board.imgBall[7].visible = false;
    Render();
    EXPECT_EQ(Pixel(OnScreen(window.get()), 114, 214), kBlackPixel);
}

}  // namespace
}  // namespace gyrolap::testing
