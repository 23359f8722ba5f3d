// SPDX-License-Identifier: MIT
// The score board lives only as label texts, as the players see it: these helpers read numbers
// back from the texts and enter a finished game's score.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "game/Board.h"

namespace gyrolap {

// The leading decimal number of a label text; an empty or non-numeric text counts 0.
double LabelNumber(std::string_view text);

// An average in the "#.000" pattern: three decimals, rounded, no digit before the point when
// the whole part is 0 (.667, 9.333, 10.000).
std::string FormatAverage(double value);

// A whole score as the board writes it: plain decimal digits.
std::string FormatScore(double score);

// The score board part of a reset: enter the current score into the three best (scanning with
// the shared loop counter), rewrite the average, cut a rounded-up third, copy the best score.
void EnterScore(Board& board, std::int32_t& loopIndex);

}  // namespace gyrolap
