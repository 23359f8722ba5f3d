// SPDX-License-Identifier: MIT
// Draws the launcher icons at build time: the window icon's red ball on a transparent ground,
// one PNG per size, laid out as DIR/NxN/apps/NAME.png like the hicolor icon theme.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/Artwork.h"

namespace {

constexpr int kLargestIcon = 1024;

// The ball sits one pixel in from the top left of the 32 px square, as in the window icon;
// only the black square behind it is left out, so the launcher shows a round ball on any
// panel colour.
QImage LauncherIcon(int size) {
    const qreal scale = static_cast<qreal>(size) / gyrolap::kIconSize;
    // Everything in device pixels: the ball comes drawn for this scale, so it is placed,
    // not resampled, whatever ratio a small size gives.
    QImage ball = gyrolap::ColourStepImage(gyrolap::kColourStepCount, scale);
    ball.setDevicePixelRatio(1.0);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(
            QRectF(scale, scale, gyrolap::kBallSize * scale, gyrolap::kBallSize * scale), ball);
    }
    return image;
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
        std::fprintf(stderr, "usage: gyrolap-make-icons OUTPUT_DIR NAME SIZE...\n");
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
    return 0;
}
