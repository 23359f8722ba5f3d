// SPDX-License-Identifier: MIT
// Where a level's track puts everything: the balls, the ring and the score label beside it,
// the preview marker, the lap limit and the ring flags. Plain arithmetic on the layout tables,
// shared by the level set-up and by whoever needs a board laid out without playing to it.
#pragma once

#include "game/Board.h"
#include "game/GameState.h"
#include "track/LevelLayouts.h"

namespace gyrolap {

// The ring picture stands this far up and left of its ball, so that the ball shows inside it.
inline constexpr Offset kRingFromBall{-4, -3};
// The current-score label stands this far right of and below the ring's corner.
inline constexpr Offset kScoreLabelFromRing{6, 10};

constexpr Point Moved(Point point, Offset by) {
    return {point.left + by.dx, point.top + by.dy};
}

// Puts every ball of `layout` in place (leaving whether it shows and its picture alone),
// the ring on the first ring position with the score label beside it and the marker on the
// level's preview, and sets the lap limit, the track's offset and the ring flags.
void PlaceLevel(Board& board, GameState& state, const LevelLayout& layout);

}  // namespace gyrolap
