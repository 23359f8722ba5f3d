// SPDX-License-Identifier: MIT
// Centring a window's outer frame on a screen.
#include "ui/Centring.h"

#include <cmath>

namespace gyrolap {

QPoint CentredTopLeft(const QRect& area, const QSize& outerSize) {
    const double left = area.x() + area.width() / 2.0 - outerSize.width() / 2.0;
    const double top = area.y() + area.height() / 2.0 - outerSize.height() / 2.0;
    return {static_cast<int>(std::floor(left)), static_cast<int>(std::floor(top))};
}

}  // namespace gyrolap
