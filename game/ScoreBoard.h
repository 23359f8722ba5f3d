// SPDX-License-Identifier: MIT
// The score board lives only as label texts, as the players see it: entering a finished game's
// score reads its numbers back from the texts (in the number format of submit/ScoreText.h).
#pragma once

#include <cstdint>

#include "game/Board.h"
#include "submit/ScoreText.h"

namespace gyrolap {

// The score board part of a reset: enter the current score into the three best (scanning with
// the shared loop counter), rewrite the average, cut a rounded-up third, copy the best score.
void EnterScore(Board& board, std::int32_t& loopIndex);

}  // namespace gyrolap
