// SPDX-License-Identifier: MIT
// Every picture of the game, drawn by the program at run time at any device pixel ratio,
// so the window stays crisp on scaled screens and no image file is ever read.
#pragma once

#include <QIcon>
#include <QImage>
#include <array>

namespace gyrolap {

inline constexpr int kBallSize = 29;
inline constexpr int kRingSize = 37;
inline constexpr int kIconSize = 32;
inline constexpr int kPreviewSize = 30;
inline constexpr int kLogoWidth = 151;
inline constexpr int kLogoHeight = 51;
inline constexpr int kColourStepCount = 10;
inline constexpr int kBallPeakGrey = 216;

// Green (= blue) of the brightest ball pixel for colour steps 1..10 at [1]..[10]; red stays
// the grey level. Each step scales green and blue by this over kBallPeakGrey, which is the
// reddening factor of the step (1.00, .90, .85, .79, .73, .66, .58, .48, .35, .00 rounded).
inline constexpr std::array<int, kColourStepCount + 1> kStepPeakGreen{0,   216, 195, 184, 171, 158,
                                                                      142, 125, 104, 76,  0};

// All images come back in ARGB32_Premultiplied with their devicePixelRatio set to dpr and a
// device size of the logical size times dpr (rounded), so QPixmap::fromImage keeps the ratio.

// The shaded grey sphere on transparent corners (colour step 1).
QImage GreyBallImage(qreal dpr = 1.0);
// Colour step 1..10 of the ball; steps outside that range give a null image.
QImage ColourStepImage(int step, qreal dpr = 1.0);
// The dark red accelerator ring, transparent inside and outside its band.
QImage TargetRingImage(qreal dpr = 1.0);
// The window icon: the step 10 ball one pixel in on an opaque black 32 x 32 square.
QImage BallIconImage(qreal dpr = 1.0);
// The miniature of level 1..6's track, drawn from the level table; null for other levels.
QImage TrackPreviewImage(int level, qreal dpr = 1.0);
// The maker's logo: a bevelled silver oval with the web address lettered inside.
QImage LogoImage(qreal dpr = 1.0);
// The icon of both windows, at the sizes a desktop asks for.
QIcon AppIcon();

}  // namespace gyrolap
