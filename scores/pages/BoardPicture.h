// SPDX-License-Identifier: MIT
// The picture of a board as the game's own window draws it. The score page knows nothing of
// the window: the program that runs it hands in a painter built on the game's artwork.
#pragma once

#include <string>

#include "game/Board.h"

namespace gyrolap::scores {

class BoardPainter {
  public:
    virtual ~BoardPainter() = default;
    // The board as PNG bytes; empty when it cannot be drawn. Called from any thread.
    virtual std::string Png(const Board& board) = 0;
};

}  // namespace gyrolap::scores
