// SPDX-License-Identifier: MIT
// Checks a hicolor icon tree as desktops will read it: each size present, of that size, with a
// transparent ground at the corners and the red ball in the middle. Used on the build's icons
// and, in CI, on the installed ones.
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

// Every problem of one icon, printed as found; true when there was none.
bool CheckIcon(const QString& root, const QString& name, int size) {
    const QString path = QStringLiteral("%1/%2x%2/apps/%3.png").arg(root).arg(size).arg(name);
    QImage image;
    if (!image.load(path, "PNG")) {
        std::printf("FAIL %s: missing or not a PNG\n", qPrintable(path));
        return false;
    }
    bool ok = true;
    auto fail = [&](const char* what) {
        std::printf("FAIL %s: %s\n", qPrintable(path), what);
        ok = false;
    };
    if (image.width() != size || image.height() != size) fail("not the size its folder names");
    if (!image.hasAlphaChannel()) fail("no alpha channel, so the ground cannot be transparent");
    if (!ok) return false;

    const int last = size - 1;
    for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}}) {
        if (qAlpha(image.pixel(x, y)) != 0) {
            fail("a corner is not transparent");
            break;
        }
    }
    const QRgb centre = image.pixel(size / 2, size / 2);
    if (qAlpha(centre) != 255 || qRed(centre) <= 2 * qGreen(centre) ||
        qRed(centre) <= 2 * qBlue(centre))
        fail("the middle is not the opaque red ball");
    if (ok) std::printf("ok   %s\n", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: gyrolap-check-icons HICOLOR_DIR NAME SIZE...\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    int failures = 0;
    for (int i = 3; i < argc; ++i) {
        char* end = nullptr;
        const long size = std::strtol(argv[i], &end, 10);
        if (end == argv[i] || *end != '\0' || size < 1 || size > 1024) {
            std::fprintf(stderr, "gyrolap-check-icons: size must be 1 to 1024 pixels\n");
            return 2;
        }
        if (!CheckIcon(root, name, static_cast<int>(size))) ++failures;
    }
    std::printf("%d icons checked, %d failed\n", argc - 3, failures);
    return failures == 0 ? 0 : 1;
}
