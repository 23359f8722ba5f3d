// SPDX-License-Identifier: MIT
// The numbers that set the pace of play, named once: where a run starts, how fast it goes,
// how each good press speeds it up and when a level is done. The track's size lives with the
// tracks (track/TrackSize.h), the score labels' indexes with the board (game/Board.h).
#pragma once

#include "track/TrackSize.h"

namespace gyrolap {

// A run starts on one of the first eight balls, drawn at random.
inline constexpr int kStartPositions = 8;
// Milliseconds per step when a run starts.
inline constexpr float kFirstStepDelayMs = 100;
// Good presses that finish a level; the last level (kLevelCount) never finishes.
inline constexpr int kHitsPerLevel = 10;
// A good press keeps this share of the step delay...
inline constexpr double kSpeedUpFactor = 0.9;
// ...and takes floor(draw * kExtraMillisecondDraw) more off: one more millisecond half the time.
inline constexpr double kExtraMillisecondDraw = 2;
// However many presses, a step never gets shorter than this.
inline constexpr float kShortestStepMs = 1;
// Milliseconds between two balls of the layout animation.
inline constexpr float kAnimationStepMs = 50;

}  // namespace gyrolap
