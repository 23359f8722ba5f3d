// The few colours of the main window's panel, named once so the widgets and the
// artwork use the very same values.
#pragma once

#include <QColor>

namespace gyrolap {

inline constexpr QColor kWhite{255, 255, 255};
inline constexpr QColor kRed{255, 0, 0};
inline constexpr QColor kDarkRed{167, 0, 0};
inline constexpr QColor kDeepRed{127, 0, 0};
inline constexpr QColor kOlive{192, 192, 0};
inline constexpr QColor kBlack{0, 0, 0};

}  // namespace gyrolap
