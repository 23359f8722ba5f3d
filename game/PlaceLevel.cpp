// SPDX-License-Identifier: MIT
// Laying a level's track out on the board; see PlaceLevel.h.
#include "game/PlaceLevel.h"

#include <cstddef>

namespace gyrolap {

void PlaceLevel(Board& board, GameState& state, const LevelLayout& layout) {
    board.shapeCurrentPath = {layout.marker.left, layout.marker.top};
    state.PathLength = layout.pathLength;
    state.PathOffsetX = layout.offsetX;
    state.PathOffsetY = layout.offsetY;
    const Point origin{state.PathOffsetX, state.PathOffsetY};
    for (int i = 1; i <= kBallCount; ++i) {
        const auto position = static_cast<std::size_t>(i);
        board.imgBall[position].pos = Moved(origin, layout.positions[position - 1]);
        state.RingFlags[position] = IsRingPosition(layout, i);
    }
    board.imgTarget = Moved(board.imgBall[layout.ringPositions[0]].pos, kRingFromBall);
    board.lblScoreTempPos = Moved(board.imgTarget, kScoreLabelFromRing);
}

}  // namespace gyrolap
