// SPDX-License-Identifier: MIT
// The main window's controls as the game logic sees them: plain data that the core writes,
// the window renders and the simulator prints.
#pragma once

#include <array>
#include <string>

#include "track/TrackSize.h"

namespace gyrolap {

struct Point {
    int left = 0;
    int top = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// The colour steps imgColors(1..10) a ball can carry.
inline constexpr int kColourCount = 10;

struct BallView {
    Point pos;
    bool visible = true;
    // Which colour step (imgColors index 1..kColourCount) the ball carries; 0 before it ever
    // got one.
    int picture = 0;
};

// What each of lblScores(1..6) shows.
inline constexpr int kCurrentScoreLabel = 1;
// The session's three best scores, best first.
inline constexpr int kFirstBestLabel = 2;
inline constexpr int kLastBestLabel = 4;
inline constexpr int kBestScoreCount = kLastBestLabel - kFirstBestLabel + 1;
// The average of the three best, empty slots counting 0.
inline constexpr int kAverageLabel = 5;
// The best score of the session, which Submit Score sends.
inline constexpr int kBestLabel = 6;
inline constexpr int kScoreLabelCount = 6;

struct Board {
    // imgBall(1..32) at [1]..[32]; [0] exists but is never used in play.
    std::array<BallView, kBallCount + 1> imgBall{};
    // The ring picture; designed outside the visible area until a level is laid out.
    Point imgTarget{568, 8};
    // lblScores(1..6) at [1]..[6]: current, three best, average, best (the indexes above).
    std::array<std::string, kScoreLabelCount + 1> lblScores{"", "0", "0", "0", "0", "0", "0"};
    std::string lblScoreTemp = "000";
    Point lblScoreTempPos{176, 352};
    Point shapeCurrentPath{421, 176};
    std::string cmdAction = "Start";
};

}  // namespace gyrolap
