// SPDX-License-Identifier: MIT
// Paints the outline as strips one device pixel wide, placed on whole device pixels, so that a
// 1 px line stays one crisp device pixel at any scale (at 150 % a logical pixel spans one and a
// half device pixels, and a filled logical strip would come out one or two wide).
#include "ui/OutlineBox.h"

#include <QPainter>
#include <QtMath>

namespace gyrolap {

OutlineBox::OutlineBox(const QColor& colour, QWidget* parent) : QWidget(parent), colour_(colour) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void OutlineBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The device pixel each edge's logical pixel starts on: the first and the last row and
    // column of the box. A box one pixel high or wide has one row or column, one strip.
    const QTransform toDevice = painter.deviceTransform();
    const QPointF first = toDevice.map(QPointF(0, 0));
    const QPointF last = toDevice.map(QPointF(width() - 1, height() - 1));
    const int left = qRound(first.x());
    const int top = qRound(first.y());
    const int right = std::max(left, qRound(last.x()));
    const int bottom = std::max(top, qRound(last.y()));
    // From here on, the painter paints in device pixels.
    painter.setWorldTransform(toDevice.inverted());
    painter.fillRect(left, top, right - left + 1, 1, colour_);
    painter.fillRect(left, bottom, right - left + 1, 1, colour_);
    painter.fillRect(left, top, 1, bottom - top + 1, colour_);
    painter.fillRect(right, top, 1, bottom - top + 1, colour_);
}

}  // namespace gyrolap
