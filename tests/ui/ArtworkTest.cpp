// SPDX-License-Identifier: MIT
// The pictures: sizes, transparency, the colour steps' brightest pixels, the ring band, the
// icon, the previews drawn from the level tables and the logo.
#include <gtest/gtest.h>

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <array>
#include <cmath>

#include "ui/Artwork.h"

namespace gyrolap {
namespace {

QImage Unpremultiplied(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage OverBlack(const QImage& image) {
    QImage seen(image.size(), QImage::Format_RGB32);
    seen.fill(Qt::black);
    QPainter painter(&seen);
    painter.drawImage(QRect(QPoint(0, 0), image.size()), image);
    return seen;
}

// The brightest fully opaque pixel (by red) and where it is.
struct Brightest {
    QColor colour;
    QPoint place;
};

Brightest FindBrightest(const QImage& image) {
    Brightest best{QColor(0, 0, 0), {-1, -1}};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 255 && c.red() > best.colour.red()) best = {c, {x, y}};
        }
    return best;
}

TEST(ColourStepTest, BrightestPixelOfEachStepMatchesTheTable) {
    const std::array<int, 10> peakGreen{216, 195, 184, 171, 158, 142, 125, 104, 76, 0};
    for (int step = 1; step <= 10; ++step) {
        SCOPED_TRACE(step);
        const QImage image = Unpremultiplied(ColourStepImage(step));
        ASSERT_EQ(image.size(), QSize(29, 29));
        const Brightest brightest = FindBrightest(image);
        const int green = peakGreen[static_cast<std::size_t>(step - 1)];
        EXPECT_EQ(brightest.colour, QColor(216, green, green));
    }
}

TEST(ColourStepTest, AllStepsShareOutlineAndShadingAndOnlyGreenAndBlueFall) {
    const QImage grey = Unpremultiplied(GreyBallImage());
    for (int step = 2; step <= 10; ++step) {
        SCOPED_TRACE(step);
        const QImage image = Unpremultiplied(ColourStepImage(step));
        const QImage previous = Unpremultiplied(ColourStepImage(step - 1));
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 29; ++x) {
                const QColor c = image.pixelColor(x, y);
                const QColor g = grey.pixelColor(x, y);
                ASSERT_EQ(c.alpha(), g.alpha()) << x << "," << y;
                if (c.alpha() == 0) continue;
                ASSERT_EQ(c.red(), g.red()) << x << "," << y;
                ASSERT_EQ(c.green(), c.blue()) << x << "," << y;
                ASSERT_LE(c.green(), previous.pixelColor(x, y).green()) << x << "," << y;
            }
    }
}

TEST(GreyBallTest, ShadedSphereLitFromTheUpperLeftOnTransparentCorners) {
    const QImage ball = Unpremultiplied(GreyBallImage());
    ASSERT_EQ(ball.size(), QSize(29, 29));
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(28, 0), QPoint(0, 28), QPoint(28, 28), QPoint(2, 2), QPoint(26, 26)})
        EXPECT_EQ(ball.pixelColor(corner).alpha(), 0) << corner.x() << "," << corner.y();
    // The sphere fills the square: the middles of the four edges are covered.
    for (const QPoint edge : {QPoint(14, 0), QPoint(0, 14), QPoint(28, 14), QPoint(14, 28)})
        EXPECT_GT(ball.pixelColor(edge).alpha(), 200) << edge.x() << "," << edge.y();

    const Brightest brightest = FindBrightest(ball);
    EXPECT_EQ(brightest.colour, QColor(216, 216, 216));
    EXPECT_NEAR(brightest.place.x(), 4, 1);
    EXPECT_NEAR(brightest.place.y(), 7, 1);

    double sum = 0.0;
    int count = 0;
    int darkest = 255;
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 29; ++x) {
            const QColor c = ball.pixelColor(x, y);
            if (c.alpha() != 255) continue;
            EXPECT_TRUE(c.red() == c.green() && c.green() == c.blue());
            sum += c.red();
            ++count;
            darkest = std::min(darkest, c.red());
        }
    EXPECT_NEAR(sum / count, 135.0, 12.0);
    EXPECT_LT(darkest, 10);
    // Dark towards the lower right rim.
    EXPECT_LT(ball.pixelColor(23, 23).red(), 60);
    EXPECT_GT(ball.pixelColor(8, 10).red(), 180);
}

TEST(ColourStepTest, StepsOutsideOneToTenGiveNoPicture) {
    EXPECT_TRUE(ColourStepImage(0).isNull());
    EXPECT_TRUE(ColourStepImage(11).isNull());
}

TEST(ColourStepTest, DrawnCrispAtHigherPixelRatios) {
    struct Case {
        qreal dpr;
        int pixels;
    };
    for (const Case c : {Case{1.5, 44}, Case{2.0, 58}}) {
        SCOPED_TRACE(c.dpr);
        const QImage image = ColourStepImage(2, c.dpr);
        EXPECT_EQ(image.size(), QSize(c.pixels, c.pixels));
        EXPECT_EQ(image.devicePixelRatio(), c.dpr);
        const QImage plain = Unpremultiplied(image);
        EXPECT_EQ(FindBrightest(plain).colour, QColor(216, 195, 195));
        EXPECT_EQ(plain.pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(plain.pixelColor(c.pixels - 1, c.pixels - 1).alpha(), 0);
    }
}

TEST(TargetRingTest, DarkRedBandAroundATransparentMiddle) {
    const QImage ring = Unpremultiplied(TargetRingImage());
    ASSERT_EQ(ring.size(), QSize(37, 37));
    const double centre = 18.5;
    auto at = [&](double radius, double angle) {
        return ring.pixelColor(static_cast<int>(std::floor(centre + radius * std::cos(angle))),
                               static_cast<int>(std::floor(centre + radius * std::sin(angle))));
    };
    double redSum = 0.0;
    constexpr int kAngles = 32;
    for (int i = 0; i < kAngles; ++i) {
        const double angle = 2.0 * M_PI * i / kAngles;
        SCOPED_TRACE(i);
        const QColor band = at(16.5, angle);
        EXPECT_GT(band.alpha(), 200);
        EXPECT_GT(band.red(), band.green() + 40);
        EXPECT_EQ(band.green(), band.blue());
        redSum += band.red();
        // Inside the band and outside it the ring is see-through.
        EXPECT_EQ(at(12.0, angle).alpha(), 0);
        EXPECT_EQ(at(8.0, angle).alpha(), 0);
    }
    EXPECT_NEAR(redSum / kAngles, 96.0, 20.0);
    EXPECT_EQ(ring.pixelColor(18, 18).alpha(), 0);
    for (const QPoint corner : {QPoint(0, 0), QPoint(36, 0), QPoint(0, 36), QPoint(36, 36)})
        EXPECT_EQ(ring.pixelColor(corner).alpha(), 0);

    // As it looks on the black window.
    const QImage seen = OverBlack(TargetRingImage());
    int maxRed = 0, maxGreen = 0;
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 37; ++x) {
            maxRed = std::max(maxRed, seen.pixelColor(x, y).red());
            maxGreen = std::max(maxGreen, seen.pixelColor(x, y).green());
        }
    EXPECT_NEAR(maxRed, 184, 8);
    EXPECT_GT(maxGreen, 20);
    EXPECT_LE(maxGreen, 72);
}

TEST(BallIconTest, RedBallOnAnOpaqueBlackSquareAtBothSizes) {
    struct Case {
        qreal dpr;
        int pixels;
    };
    for (const Case c : {Case{1.0, 32}, Case{8.0, 256}}) {
        SCOPED_TRACE(c.pixels);
        const QImage icon = Unpremultiplied(BallIconImage(c.dpr));
        ASSERT_EQ(icon.size(), QSize(c.pixels, c.pixels));
        int maxRed = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x) {
                const QColor p = icon.pixelColor(x, y);
                ASSERT_EQ(p.alpha(), 255);
                // Only shades of red from black to red 216.
                ASSERT_EQ(p.green(), 0);
                ASSERT_EQ(p.blue(), 0);
                maxRed = std::max(maxRed, p.red());
            }
        EXPECT_EQ(maxRed, 216);
        EXPECT_EQ(icon.pixelColor(0, 0), QColor(0, 0, 0));
        EXPECT_EQ(icon.pixelColor(c.pixels - 1, c.pixels - 1), QColor(0, 0, 0));
    }
    // The 32 pixel icon has the ball one pixel in: its brightest spot moves by one.
    EXPECT_EQ(Unpremultiplied(BallIconImage()).pixelColor(5, 8), QColor(216, 0, 0));
}

TEST(BallIconTest, AppIconOffersTheSmallAndTheLargeRendering) {
    const QIcon icon = AppIcon();
    ASSERT_FALSE(icon.isNull());
    const auto sizes = icon.availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(256, 256)));
}

// Where the ring dot of each level's preview must sit, from the figures: bottom centre for
// the circle and the triangle's point, the middle for the spiral, the petals' crossing and
// the figure-eight's crossing, just below the middle for the inner loop's foot.
TEST(TrackPreviewTest, RingDotSitsWhereEachFigureMeetsTheRing) {
    struct Case {
        int level;
        QPointF ringDot;
        double tolerance;
    };
    const Case cases[] = {
        {1, {15, 26}, 2.0}, {2, {15, 26}, 2.0}, {3, {15, 15}, 3.0},
        {4, {15, 17}, 3.0}, {5, {15, 17}, 3.0}, {6, {15, 15}, 2.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        const QImage preview = Unpremultiplied(TrackPreviewImage(c.level));
        ASSERT_EQ(preview.size(), QSize(30, 30));
        // The red tint: the centre of the tinted pixels, weighted by how red they are.
        double sumX = 0.0, sumY = 0.0, weight = 0.0;
        int strongTint = 0, lit = 0, maxGrey = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) {
                const QColor p = preview.pixelColor(x, y);
                ASSERT_EQ(p.alpha(), 255);
                ASSERT_EQ(p.green(), p.blue());
                ASSERT_GE(p.red(), p.green());
                const int tint = p.red() - p.green();
                if (tint > 0) {
                    sumX += tint * (x + 0.5);
                    sumY += tint * (y + 0.5);
                    weight += tint;
                    strongTint += tint > 30;
                } else if (p.red() > 0) {
                    ++lit;
                    maxGrey = std::max(maxGrey, p.red());
                }
            }
        ASSERT_GE(strongTint, 8);  // about four pixels across
        ASSERT_LE(strongTint, 20);
        EXPECT_NEAR(sumX / weight, c.ringDot.x(), c.tolerance);
        EXPECT_NEAR(sumY / weight, c.ringDot.y(), c.tolerance);
        EXPECT_GT(lit, 40);  // the chain of track dots
        EXPECT_GT(maxGrey, 150);
        EXPECT_LE(maxGrey, 185);
        // The outermost pixels stay black for the marker frame drawn over them.
        for (int i = 0; i < 30; ++i) {
            EXPECT_EQ(preview.pixelColor(i, 0), QColor(0, 0, 0));
            EXPECT_EQ(preview.pixelColor(0, i), QColor(0, 0, 0));
            EXPECT_EQ(preview.pixelColor(i, 29), QColor(0, 0, 0));
            EXPECT_EQ(preview.pixelColor(29, i), QColor(0, 0, 0));
        }
    }
    EXPECT_TRUE(TrackPreviewImage(0).isNull());
    EXPECT_TRUE(TrackPreviewImage(7).isNull());
}

TEST(TrackPreviewTest, EveryLevelDrawsItsOwnFigure) {
    for (int a = 1; a <= 6; ++a)
        for (int b = a + 1; b <= 6; ++b)
            EXPECT_NE(TrackPreviewImage(a), TrackPreviewImage(b)) << a << " vs " << b;
}

TEST(LogoTest, SilverOvalOnBlackWithLightLetteringAndAGreyFieldOnTheRight) {
    const QImage logo = Unpremultiplied(LogoImage());
    ASSERT_EQ(logo.size(), QSize(151, 51));
    for (const QPoint corner : {QPoint(0, 0), QPoint(150, 0), QPoint(0, 50), QPoint(150, 50)})
        EXPECT_EQ(logo.pixelColor(corner), QColor(0, 0, 0));
    // The ring: silver at the top and bottom middle of the oval.
    for (const QPoint rim : {QPoint(75, 2), QPoint(75, 48), QPoint(2, 25), QPoint(148, 25)}) {
        const QColor p = logo.pixelColor(rim);
        EXPECT_GT(p.red(), 60) << rim.x() << "," << rim.y();
        EXPECT_NEAR(p.red(), p.blue(), 8);
    }
    // Left of the middle: light lettering on black; right: a grey field with dark lettering.
    int light = 0, black = 0, field = 0, dark = 0;
    for (int y = 12; y < 39; ++y) {
        for (int x = 15; x < 60; ++x) {
            const int r = logo.pixelColor(x, y).red();
            light += r > 180;
            black += r < 20;
        }
        for (int x = 110; x < 130; ++x) {
            const int r = logo.pixelColor(x, y).red();
            field += r > 150 && r < 190;
            dark += r < 60;
        }
    }
    EXPECT_GT(light, 40);
    EXPECT_GT(black, 400);
    EXPECT_GT(field, 200);
    EXPECT_GT(dark, 20);
}

}  // namespace
}  // namespace gyrolap
