// SPDX-License-Identifier: MIT
// Paints the outline with filled one-pixel strips, which stay exact at any pixel ratio.
#include "ui/OutlineBox.h"

#include <QPainter>

namespace gyrolap {

OutlineBox::OutlineBox(const QColor& colour, QWidget* parent) : QWidget(parent), colour_(colour) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void OutlineBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(0, 0, w, 1, colour_);
    painter.fillRect(0, h - 1, w, 1, colour_);
    painter.fillRect(0, 0, 1, h, colour_);
    painter.fillRect(w - 1, 0, 1, h, colour_);
}

}  // namespace gyrolap
