// SPDX-License-Identifier: MIT
// The board a replay ended on, written down for the store and read back to be drawn.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "game/Board.h"

namespace gyrolap::scores {

// A compact JSON object of every control the window draws.
std::string BoardToText(const Board& board);
// Nothing when `text` is not a board as BoardToText writes it.
std::optional<Board> BoardFromText(std::string_view text);

}  // namespace gyrolap::scores
