// SPDX-License-Identifier: MIT
// Checks a hicolor icon tree as desktops will read it: each size present, of that size, with a
// transparent ground at the corners and the red ball in the middle; and the scalable icon, a
// well-formed square SVG that renders as the largest fixed size looks. Used on the build's icons
// and, in CI, on the installed ones.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// How far the scalable icon, rendered at the largest fixed size, may stray from that PNG: the
// two are the same painting, resampled differently, so they differ by a level or two inside
// the ball and a little more along its edge. A ball moved by a pixel, resized or recoloured
// goes far past these.
constexpr double kMostMeanDifference = 1.0;  // levels of 255, over every channel of every pixel
constexpr int kMostTypicalDifference = 8;    // at the 99th percentile of the pixels

bool Report(const QString& path, const std::vector<const char*>& problems) {
    for (const char* problem : problems) std::printf("FAIL %s: %s\n", qPrintable(path), problem);
    if (problems.empty()) std::printf("ok   %s\n", qPrintable(path));
    return problems.empty();
}

// What every launcher icon shows, whatever its format: see-through corners, the red ball in
// the middle.
void CheckPicture(const QImage& image, std::vector<const char*>& problems) {
    const int last = image.width() - 1;
    for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}}) {
        if (qAlpha(image.pixel(x, y)) != 0) {
            problems.push_back("a corner is not transparent");
            break;
        }
    }
    const QRgb centre = image.pixel(image.width() / 2, image.height() / 2);
    if (qAlpha(centre) != 255 || qRed(centre) <= 2 * qGreen(centre) ||
        qRed(centre) <= 2 * qBlue(centre))
        problems.push_back("the middle is not the opaque red ball");
}

QString PngPath(const QString& root, const QString& name, int size) {
    return QStringLiteral("%1/%2x%2/apps/%3.png").arg(root).arg(size).arg(name);
}

// Every problem of one icon, printed as found; true when there was none.
bool CheckIcon(const QString& root, const QString& name, int size) {
    const QString path = PngPath(root, name, size);
    QImage image;
    if (!image.load(path, "PNG")) return Report(path, {"missing or not a PNG"});
    std::vector<const char*> problems;
    if (image.width() != size || image.height() != size)
        problems.push_back("not the size its folder names");
    if (!image.hasAlphaChannel())
        problems.push_back("no alpha channel, so the ground cannot be transparent");
    if (problems.empty()) CheckPicture(image, problems);
    return Report(path, problems);
}

// The scalable icon, rendered at `size`, against that size's PNG.
bool CheckScalableIcon(const QString& root, const QString& name, int size) {
    const QString path = QStringLiteral("%1/scalable/apps/%2.svg").arg(root, name);
    QSvgRenderer svg;
    if (!svg.load(path)) return Report(path, {"missing or not an SVG document"});
    const QRectF box = svg.viewBoxF();
    if (box.isEmpty() || box.width() != box.height() || box.topLeft() != QPointF(0, 0))
        return Report(path, {"its viewBox is not a square from 0,0"});
    if (svg.defaultSize().width() != svg.defaultSize().height())
        return Report(path, {"its width and height differ"});

    QImage rendered(size, size, QImage::Format_ARGB32_Premultiplied);
    rendered.fill(Qt::transparent);
    {
        QPainter painter(&rendered);
        svg.render(&painter);
    }
    std::vector<const char*> problems;
    CheckPicture(rendered, problems);

    QImage png;
    if (!png.load(PngPath(root, name, size), "PNG") || png.size() != rendered.size()) {
        problems.push_back("no PNG of the size it is compared with");
        return Report(path, problems);
    }
    png = png.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    std::vector<int> worst;  // per pixel, the largest difference of its channels
    long long sum = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb a = rendered.pixel(x, y), b = png.pixel(x, y);
            const int channels[] = {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))};
            for (const int d : channels) sum += d;
            worst.push_back(*std::max_element(std::begin(channels), std::end(channels)));
        }
    }
    const double mean = static_cast<double>(sum) / (4.0 * size * size);
    std::nth_element(worst.begin(), worst.begin() + static_cast<long>(worst.size() * 99 / 100),
                     worst.end());
    const int typical = worst[worst.size() * 99 / 100];
    std::printf("     %s at %d px against the PNG: mean difference %.2f, 99th percentile %d\n",
                qPrintable(path), size, mean, typical);
    if (mean > kMostMeanDifference || typical > kMostTypicalDifference)
        problems.push_back("it does not render as the PNG of the same size looks");
    return Report(path, problems);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: gyrolap-check-icons HICOLOR_DIR NAME SIZE...\n"
                     "Checks HICOLOR_DIR/SIZExSIZE/apps/NAME.png for each SIZE and\n"
                     "HICOLOR_DIR/scalable/apps/NAME.svg against the largest SIZE.\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    int failures = 0;
    int largest = 0;
    for (int i = 3; i < argc; ++i) {
        char* end = nullptr;
        const long size = std::strtol(argv[i], &end, 10);
        if (end == argv[i] || *end != '\0' || size < 1 || size > 1024) {
            std::fprintf(stderr, "gyrolap-check-icons: size must be 1 to 1024 pixels\n");
            return 2;
        }
        if (!CheckIcon(root, name, static_cast<int>(size))) ++failures;
        largest = std::max(largest, static_cast<int>(size));
    }
    if (!CheckScalableIcon(root, name, largest)) ++failures;
    std::printf("%d icons checked, %d failed\n", argc - 2, failures);
    return failures == 0 ? 0 : 1;
}
