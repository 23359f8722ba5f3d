// SPDX-License-Identifier: MIT
// The device pixel ratio a widget paints at, for the widgets that draw their own pictures at
// the ratio of what they paint on.
#pragma once

#include <QtGlobal>

class QPainter;

namespace gyrolap {

// Device pixels per logical pixel of what the painter paints on: the screen's ratio on screen,
// the target's when a widget is rendered into an image of another ratio. The painter's device
// transform carries that scale; the device's own ratio stands in when it carries none.
qreal PaintRatio(const QPainter& painter);

}  // namespace gyrolap
