// SPDX-License-Identifier: MIT
// The few colours of the main window's panel: its black ground and the colours of its labels
// and outlines. Only the panel's colours live here; the artwork's own shades are named where it
// draws them (ui/Artwork.cpp), and where a picture meets the panel (the logo's ground) it uses
// the panel's black from here.
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
