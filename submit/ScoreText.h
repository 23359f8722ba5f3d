// SPDX-License-Identifier: MIT
// How the score board writes its numbers, in the one place both the game that writes them and
// the checker that reads a submission's use: a whole score in plain digits, and the average of
// the three best as "#.000" with a rounded-up third shown cut.
#pragma once

#include <string>
#include <string_view>

namespace gyrolap {

// The leading decimal number of a label text; an empty or non-numeric text counts 0.
double LabelNumber(std::string_view text);
// A whole score as the board writes it: plain decimal digits.
std::string FormatScore(double score);
// An average in the "#.000" pattern: three decimals, rounded, no digit before the point when
// the whole part is 0 (.667, 9.333, 10.000).
std::string FormatAverage(double value);
// Thirds are shown cut, not rounded: an average text ending in 7 (x.667) ends in 6 instead.
void CutRoundedThird(std::string& average);
// The average the board shows for its three best scores, best first: the sum taken in the
// board's own order (second, third, best) in double precision, divided by 3, written "#.000"
// and a rounded-up third cut. The empty slots count 0.
std::string AverageText(double best, double second, double third);

}  // namespace gyrolap
