// SPDX-License-Identifier: MIT
// The board as the simulator prints it in a `snap` line, and as a recording's last comment
// keeps it: one line of words a script's expected output can hold.
#pragma once

#include <string>

#include "game/Board.h"

namespace gyrolap::sim {

// The board's line, without the leading time: caption, visible balls, pictures, positions,
// ring, in-ring score, marker, score board and whether a box is open.
std::string DescribeBoard(const Board& board, bool messageOpen);

}  // namespace gyrolap::sim
