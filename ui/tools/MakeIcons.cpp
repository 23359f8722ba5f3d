// Writes the window icon's drawing as the desktop icons: DIR/32x32/gyrolap.png and a larger
// rendering of the same drawing, DIR/256x256/gyrolap.png. Used at build time.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

#include "ui/Artwork.h"

namespace {

bool WriteIcon(const QDir& root, int size) {
    const QString folder = QStringLiteral("%1x%1").arg(size);
    if (!root.mkpath(folder)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(root.filePath(folder)));
        return false;
    }
    QImage image = gyrolap::BallIconImage(static_cast<qreal>(size) / gyrolap::kIconSize);
    // The file has plain pixels; its size already is the icon size.
    image.setDevicePixelRatio(1.0);
    const QString path = root.filePath(folder + QStringLiteral("/gyrolap.png"));
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const bool written = WriteIcon(root, 32) && WriteIcon(root, 256);
    return written ? 0 : 1;
}
