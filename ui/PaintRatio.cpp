// SPDX-License-Identifier: MIT
// The device pixel ratio of what a painter paints on.
#include "ui/PaintRatio.h"

#include <QPaintDevice>
#include <QPainter>
#include <QTransform>
#include <cmath>

namespace gyrolap {

qreal PaintRatio(const QPainter& painter) {
    const qreal scale = std::abs(painter.deviceTransform().m11());
    return scale > 0.0 ? scale : painter.device()->devicePixelRatio();
}

}  // namespace gyrolap
