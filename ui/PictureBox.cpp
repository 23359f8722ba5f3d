// SPDX-License-Identifier: MIT
// Paints a cached picture and, for the logo, turns a click into a signal.
#include "ui/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>
#include <utility>

#include "ui/Artwork.h"
#include "ui/PaintRatio.h"

namespace gyrolap {

PictureBox::PictureBox(Renderer renderer, QWidget* parent)
    : QWidget(parent), renderer_(std::move(renderer)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal ratio = PaintRatio(painter);
    if (pixmap_.isNull() || ratio != pixmapRatio_) {
        pixmap_ = QPixmap::fromImage(renderer_(ratio));
        pixmapRatio_ = ratio;
    }
    painter.drawPixmap(rect(), pixmap_);
}

LogoBox::LogoBox(QWidget* parent) : PictureBox(&LogoImage, parent) {
    setCursor(Qt::PointingHandCursor);
}

void LogoBox::mousePressEvent(QMouseEvent* event) {
    pressedHere_ = event->button() == Qt::LeftButton;
    event->accept();
}

void LogoBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressedHere_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressedHere_ = false;
    event->accept();
    if (click) emit clicked();
}

}  // namespace gyrolap
