// SPDX-License-Identifier: MIT
// Where a top-level window stands when it is centred on a screen: the one rule the game window
// at start-up and the help window both follow.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace gyrolap {

// The top-left corner that puts the middle of a window's outer frame (outerSize, borders and
// title bar included) on the middle of area. Each middle is taken in floating point before the
// subtraction and the result rounded down, so an odd difference lands the same on every
// screen. Unclamped: on an area smaller than the window the window hangs off its top left.
QPoint CentredTopLeft(const QRect& area, const QSize& outerSize);

}  // namespace gyrolap
