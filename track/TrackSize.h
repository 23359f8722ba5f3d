// SPDX-License-Identifier: MIT
// How big a track is and how many there are: every level's table and the board's
// imgBall(1..32) count the same balls.
#pragma once

namespace gyrolap {

// The balls of one track, numbered 1..32 wherever the game counts them.
inline constexpr int kBallCount = 32;
// Levels 1..6, one track each; the last level never ends.
inline constexpr int kLevelCount = 6;

}  // namespace gyrolap
