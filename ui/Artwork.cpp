// SPDX-License-Identifier: MIT
// Draws the game's pictures pixel by pixel (balls, ring, previews) or with QPainter (icon,
// logo) at the device pixel ratio asked for.
#include "ui/Artwork.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "track/LevelLayouts.h"
#include "ui/Colours.h"
#include "ui/Links.h"

namespace gyrolap {
namespace {

// Sub-samples per device pixel along each axis, for smooth sphere and ring edges.
constexpr int kSubSamples = 4;

int DeviceLength(int logical, qreal dpr) {
    return std::max(1, static_cast<int>(std::lround(logical * dpr)));
}

QImage BlankImage(int width, int height, qreal dpr) {
    QImage image(DeviceLength(width, dpr), DeviceLength(height, dpr),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(dpr);
    return image;
}

int ToByte(double value) {
    return std::clamp(static_cast<int>(std::lround(value)), 0, 255);
}

// One pixel of a colour (green and blue equal) over the given part of the pixel, premultiplied
// from the rounded alpha so that reading it back never gives a brighter colour than drawn.
QRgb Premultiplied(int red, int greenBlue, double cover) {
    const int alpha = ToByte(255.0 * cover);
    if (alpha == 0) return qRgba(0, 0, 0, 0);
    const auto scaled = [alpha](int level) { return (level * alpha + 127) / 255; };
    return qRgba(scaled(red), scaled(greenBlue), scaled(greenBlue), alpha);
}

double SmoothStep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// --- the ball --------------------------------------------------------------------------

// The light comes from the upper left: its direction is the sphere's normal under the pixel
// centre (4.5, 7.5), which is where the brightest spot of the drawing sits.
constexpr double kBallRadius = kBallSize / 2.0;
constexpr double kSpotX = 4.5;
constexpr double kSpotY = 7.5;
// Wrapped diffuse light: the shading reaches black only on the far, lower right rim,
// which gives the sphere its soft look and a mean grey of about 135.
constexpr double kLightWrap = 0.7;

struct BallPixels {
    int width = 0;
    int height = 0;
    std::vector<int> grey;      // 0..216, the shading before any colouring
    std::vector<double> cover;  // 0..1, how much of the pixel the sphere covers
};

BallPixels ShadeBall(qreal dpr) {
    const double lightX = (kSpotX - kBallRadius) / kBallRadius;
    const double lightY = (kSpotY - kBallRadius) / kBallRadius;
    const double lightZ = std::sqrt(1.0 - lightX * lightX - lightY * lightY);

    BallPixels pixels;
    pixels.width = DeviceLength(kBallSize, dpr);
    pixels.height = pixels.width;
    const double perLogical = pixels.width / static_cast<double>(kBallSize);
    const int count = pixels.width * pixels.height;
    std::vector<double> shade(static_cast<std::size_t>(count), 0.0);
    pixels.cover.assign(static_cast<std::size_t>(count), 0.0);

    double brightest = 0.0;
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            int inside = 0;
            double sum = 0.0;
            for (int sy = 0; sy < kSubSamples; ++sy) {
                for (int sx = 0; sx < kSubSamples; ++sx) {
                    const double lx = (x + (sx + 0.5) / kSubSamples) / perLogical;
                    const double ly = (y + (sy + 0.5) / kSubSamples) / perLogical;
                    const double u = (lx - kBallRadius) / kBallRadius;
                    const double v = (ly - kBallRadius) / kBallRadius;
                    const double d2 = u * u + v * v;
                    if (d2 >= 1.0) continue;
                    const double dot = u * lightX + v * lightY + std::sqrt(1.0 - d2) * lightZ;
                    sum += std::max(0.0, (dot + kLightWrap) / (1.0 + kLightWrap));
                    ++inside;
                }
            }
            const auto at = static_cast<std::size_t>(y * pixels.width + x);
            pixels.cover[at] = inside / double(kSubSamples * kSubSamples);
            if (inside > 0) {
                shade[at] = sum / inside;
                brightest = std::max(brightest, shade[at]);
            }
        }
    }
    // Scale so the brightest pixel is exactly the peak grey at every pixel ratio; the colour
    // steps are defined by what that pixel becomes.
    pixels.grey.resize(shade.size());
    for (std::size_t i = 0; i < shade.size(); ++i)
        pixels.grey[i] = brightest > 0.0 ? ToByte(shade[i] * kBallPeakGrey / brightest) : 0;
    return pixels;
}

// --- the previews ----------------------------------------------------------------------

constexpr double kDotGrey = 185.0;
constexpr double kTrackDotRadius = 1.0;
constexpr double kRingDotRadius = 2.0;
// Keeps the ring dot off the marker frame that is drawn over the preview's border.
constexpr double kPreviewMargin = 4.0;
constexpr QColor kRingDotColour{212, 150, 150};

// 1 in the dot's core, fading to 0 half a pixel past its radius.
double DotCover(double distance, double radius) {
    return std::clamp((radius + 0.5 - distance) / (0.25 * radius + 0.5), 0.0, 1.0);
}

struct DotPlace {
    double x;
    double y;
};

std::array<DotPlace, kBallCount> PreviewDots(const LevelLayout& layout) {
    std::array<DotPlace, kBallCount> dots{};
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (int i = 0; i < kBallCount; ++i) {
        const auto& offset = layout.positions[static_cast<std::size_t>(i)];
        const double x = layout.offsetX + offset.dx + kBallRadius;
        const double y = layout.offsetY + offset.dy + kBallRadius;
        dots[static_cast<std::size_t>(i)] = {x, y};
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    const double span = std::max({maxX - minX, maxY - minY, 1.0});
    const double scale = (kPreviewSize - 2.0 * kPreviewMargin) / span;
    const double midX = (minX + maxX) / 2.0;
    const double midY = (minY + maxY) / 2.0;
    // Whole-pixel centres put each two-pixel dot squarely on four pixels at 100 %.
    for (auto& dot : dots) {
        dot.x = std::round(kPreviewSize / 2.0 + (dot.x - midX) * scale);
        dot.y = std::round(kPreviewSize / 2.0 + (dot.y - midY) * scale);
    }
    return dots;
}

// --- the logo --------------------------------------------------------------------------

// The logo is a grey oval badge on the panel: its ground and its hollow are the panel's black
// (kBlack), so the badge's box does not show; the greys are its own.
struct GradientStop {
    double at;
    QColor colour;
};
// The bevel: an outer slope lit from above, an inner slope lit from below.
constexpr std::array<GradientStop, 3> kOuterSlope{
    {{0.0, {238, 238, 238}}, {0.5, {168, 168, 172}}, {1.0, {78, 78, 82}}}};
constexpr std::array<GradientStop, 3> kInnerSlope{
    {{0.0, {92, 92, 96}}, {0.5, {160, 160, 164}}, {1.0, {228, 228, 228}}}};
// The grey field behind the address's last part, and the lettering of its first part.
constexpr QColor kLogoFieldGrey{172, 172, 176};
constexpr QColor kLogoLetteringGrey{214, 214, 214};

QLinearGradient VerticalSlope(const std::array<GradientStop, 3>& stops) {
    QLinearGradient slope(0, 0, 0, kLogoHeight);
    for (const GradientStop& stop : stops) slope.setColorAt(stop.at, stop.colour);
    return slope;
}

struct LogoLettering {
    QString first;
    QString last;
};

// "https://gyrolap.example/" is lettered "gyrolap" on black and ".example" on the grey field.
LogoLettering SplitAddress() {
    QString host =
        QString::fromUtf8(kWebAddress.data(), static_cast<qsizetype>(kWebAddress.size()));
    const qsizetype scheme = host.indexOf(QStringLiteral("://"));
    if (scheme >= 0) host = host.mid(scheme + 3);
    while (host.endsWith(QLatin1Char('/'))) host.chop(1);
    const qsizetype dot = host.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0) return {host, QString()};
    return {host.left(dot), host.mid(dot)};
}

}  // namespace

QImage GreyBallImage(qreal dpr) {
    return ColourStepImage(1, dpr);
}

QImage ColourStepImage(int step, qreal dpr) {
    if (step < 1 || step > kColourStepCount) return {};
    const BallPixels pixels = ShadeBall(dpr);
    QImage image(pixels.width, pixels.height, QImage::Format_ARGB32_Premultiplied);
    const double factor = kStepPeakGreen[static_cast<std::size_t>(step)] / double(kBallPeakGrey);
    for (int y = 0; y < pixels.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < pixels.width; ++x) {
            const auto at = static_cast<std::size_t>(y * pixels.width + x);
            const int red = pixels.grey[at];
            line[x] = Premultiplied(red, ToByte(red * factor), pixels.cover[at]);
        }
    }
    image.setDevicePixelRatio(dpr);
    return image;
}

QImage TargetRingImage(qreal dpr) {
    QImage image = BlankImage(kRingSize, kRingSize, dpr);
    const double perLogical = image.width() / static_cast<double>(kRingSize);
    const double centre = kRingSize / 2.0;
    // The highlight faces the same upper-left light as the balls.
    const double lightX = -std::sqrt(0.5);
    const double lightY = -std::sqrt(0.5);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            double red = 0.0, pink = 0.0, alpha = 0.0;
            for (int sy = 0; sy < kSubSamples; ++sy) {
                for (int sx = 0; sx < kSubSamples; ++sx) {
                    const double dx = (x + (sx + 0.5) / kSubSamples) / perLogical - centre;
                    const double dy = (y + (sy + 0.5) / kSubSamples) / perLogical - centre;
                    const double r = std::hypot(dx, dy);
                    // Brightest from radius 16 to 17, black (and see-through) by 14.5 and 19.
                    const double band =
                        SmoothStep(14.5, 16.0, r) * (1.0 - SmoothStep(17.0, 19.0, r));
                    if (band <= 0.0) continue;
                    const double facing = std::max(0.0, (dx * lightX + dy * lightY) / r);
                    const double highlight = facing * facing;
                    red += band * (67.0 + 117.0 * highlight);
                    pink += band * 72.0 * std::clamp((highlight - 0.7) / 0.3, 0.0, 1.0);
                    alpha += band;
                }
            }
            // The colour of the band under the pixel, weighted by how much band there is.
            const int pinkLevel = alpha > 0.0 ? ToByte(pink / alpha) : 0;
            line[x] = Premultiplied(alpha > 0.0 ? ToByte(red / alpha) : 0, pinkLevel,
                                    alpha / (kSubSamples * kSubSamples));
        }
    }
    return image;
}

QImage BallIconImage(qreal dpr) {
    QImage image = BlankImage(kIconSize, kIconSize, dpr);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.drawImage(QRectF(1, 1, kBallSize, kBallSize), ColourStepImage(kColourStepCount, dpr));
    return image;
}

QImage TrackPreviewImage(int level, qreal dpr) {
    const LevelLayout* layout = LayoutForLevel(level);
    if (layout == nullptr) return {};
    QImage image = BlankImage(kPreviewSize, kPreviewSize, dpr);
    const auto dots = PreviewDots(*layout);
    const DotPlace ring = dots[static_cast<std::size_t>(layout->ringPositions[0] - 1)];
    const double perLogical = image.width() / static_cast<double>(kPreviewSize);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double px = (x + 0.5) / perLogical;
            const double py = (y + 0.5) / perLogical;
            double track = 0.0;
            for (const auto& dot : dots)
                track =
                    std::max(track, DotCover(std::hypot(px - dot.x, py - dot.y), kTrackDotRadius));
            const double onRing = DotCover(std::hypot(px - ring.x, py - ring.y), kRingDotRadius);
            const double grey = kDotGrey * track * (1.0 - onRing);
            line[x] = qRgb(ToByte(grey + kRingDotColour.red() * onRing),
                           ToByte(grey + kRingDotColour.green() * onRing),
                           ToByte(grey + kRingDotColour.blue() * onRing));
        }
    }
    return image;
}

QImage LogoImage(qreal dpr) {
    QImage image = BlankImage(kLogoWidth, kLogoHeight, dpr);
    image.fill(kBlack);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::NoPen);

    const QRectF outer(0.5, 0.5, kLogoWidth - 1.0, kLogoHeight - 1.0);
    painter.setBrush(VerticalSlope(kOuterSlope));
    painter.drawEllipse(outer);
    const QRectF middle = outer.adjusted(3, 3, -3, -3);
    painter.setBrush(VerticalSlope(kInnerSlope));
    painter.drawEllipse(middle);
    const QRectF inner = outer.adjusted(6, 6, -6, -6);
    QPainterPath hollow;
    hollow.addEllipse(inner);
    painter.fillPath(hollow, kBlack);

    // The largest bold face whose lettering fits well inside the hollow of the oval.
    const LogoLettering lettering = SplitAddress();
    constexpr double kFieldLeadIn = 3.0;
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    double firstWidth = 0.0, lastWidth = 0.0;
    for (int pixelSize = 22; pixelSize >= 6; --pixelSize) {
        font.setPixelSize(pixelSize);
        const QFontMetricsF metrics(font);
        firstWidth = metrics.horizontalAdvance(lettering.first);
        lastWidth = metrics.horizontalAdvance(lettering.last);
        if (firstWidth + kFieldLeadIn + lastWidth <= inner.width() - 16.0 &&
            metrics.capHeight() <= inner.height() * 0.5)
            break;
    }
    const QFontMetricsF metrics(font);
    const double left = inner.center().x() - (firstWidth + kFieldLeadIn + lastWidth) / 2.0;
    const double baseline = inner.center().y() + metrics.capHeight() / 2.0;
    const double fieldLeft = left + firstWidth + kFieldLeadIn / 2.0;

    painter.save();
    painter.setClipPath(hollow);
    painter.fillRect(QRectF(fieldLeft, 0, kLogoWidth - fieldLeft, kLogoHeight), kLogoFieldGrey);
    painter.restore();

    painter.setFont(font);
    painter.setPen(kLogoLetteringGrey);
    painter.drawText(QPointF(left, baseline), lettering.first);
    painter.setPen(kBlack);
    painter.drawText(QPointF(left + firstWidth + kFieldLeadIn, baseline), lettering.last);
    return image;
}

QIcon AppIcon() {
    QIcon icon;
    // Plain 32, 64 and 256 pixel renderings; the icon chooses among them by size.
    for (const qreal scale : {1.0, 2.0, 8.0}) {
        QImage image = BallIconImage(scale);
        image.setDevicePixelRatio(1.0);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

}  // namespace gyrolap
