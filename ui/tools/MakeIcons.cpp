// SPDX-License-Identifier: MIT
// Draws the launcher icons at build time: the window icon's red ball on a transparent ground,
// one PNG per size and one scalable SVG, laid out as DIR/NxN/apps/NAME.png and
// DIR/scalable/apps/NAME.svg like the hicolor icon theme.
#include <QDir>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgGenerator>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/Artwork.h"

namespace {

constexpr int kLargestIcon = 1024;
// The scalable icon is laid out on a 256-unit square, the largest PNG's, and its ball is drawn
// with twice as many pixels, so that it stays smooth when a desktop shows it larger still.
constexpr int kScalableSize = 256;
constexpr qreal kScalableDetail = 2.0;

// The ball sits one pixel in from the top left of the 32 px square, as in the window icon;
// only the black square behind it is left out, so the launcher shows a round ball on any
// panel colour. Paints a square of `size` units; the ball's picture gets `detail` pixels per
// unit (1 for a PNG, whose units are its pixels).
void PaintLauncherIcon(QPainter& painter, int size, qreal detail) {
    const qreal scale = static_cast<qreal>(size) / gyrolap::kIconSize;
    // Everything in device pixels: the ball comes drawn for this scale, so a PNG's ball is
    // placed, not resampled, whatever ratio a small size gives.
    QImage ball = gyrolap::ColourStepImage(gyrolap::kColourStepCount, scale * detail);
    ball.setDevicePixelRatio(1.0);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(scale, scale, gyrolap::kBallSize * scale, gyrolap::kBallSize * scale),
                      ball);
}

QImage LauncherIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    PaintLauncherIcon(painter, size, 1.0);
    return image;
}

// The same painting, written as SVG. The ball is shaded pixel by pixel, so it goes into the
// file as a picture, placed and sized by the drawing.
bool WriteScalableIcon(const QDir& root, const QString& name) {
    const QString folder = QStringLiteral("scalable/apps");
    if (!root.mkpath(folder)) {
        std::fprintf(stderr, "gyrolap-make-icons: cannot make %s\n",
                     qPrintable(root.filePath(folder)));
        return false;
    }
    const QString path = root.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".svg"));
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kScalableSize, kScalableSize));
    svg.setViewBox(QRect(0, 0, kScalableSize, kScalableSize));
    svg.setTitle(QStringLiteral("Gyrolap"));
    svg.setDescription(QStringLiteral("The Gyrolap launcher icon: a red ball"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        std::fprintf(stderr, "gyrolap-make-icons: cannot write %s\n", qPrintable(path));
        return false;
    }
    // The file states the painter's font although nothing is lettered; without a size of its
    // own the font would be written with size -1, which SVG readers complain of.
    painter.setFont(QFont(QStringLiteral("sans-serif"), 12));
    PaintLauncherIcon(painter, kScalableSize, kScalableDetail);
    return painter.end();
}

bool WriteIcon(const QDir& root, const QString& name, int size) {
    const QString folder = QStringLiteral("%1x%1/apps").arg(size);
    if (!root.mkpath(folder)) {
        std::fprintf(stderr, "gyrolap-make-icons: cannot make %s\n",
                     qPrintable(root.filePath(folder)));
        return false;
    }
    const QString path = root.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    if (!LauncherIcon(size).save(path, "PNG")) {
        std::fprintf(stderr, "gyrolap-make-icons: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool ParseSize(const char* text, int& size) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > kLargestIcon) return false;
    size = static_cast<int>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || std::strchr(argv[2], '/') != nullptr || argv[2][0] == '\0') {
        std::fprintf(stderr,
                     "usage: gyrolap-make-icons OUTPUT_DIR NAME SIZE...\n"
                     "Writes OUTPUT_DIR/SIZExSIZE/apps/NAME.png for each SIZE and\n"
                     "OUTPUT_DIR/scalable/apps/NAME.svg.\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        int size = 0;
        if (!ParseSize(argv[i], size)) {
            std::fprintf(stderr, "gyrolap-make-icons: size must be 1 to %d pixels\n", kLargestIcon);
            return 2;
        }
        if (!WriteIcon(root, name, size)) return 1;
    }
    return WriteScalableIcon(root, name) ? 0 : 1;
}
