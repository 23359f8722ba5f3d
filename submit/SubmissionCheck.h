// SPDX-License-Identifier: MIT
// Checks a received submission line: reads the two random digits back out of its code,
// re-encodes the plain part and says whether the code belongs to the text, then whether each
// piece is one this game writes; if not, why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gyrolap {

// The longest date a text may carry, in bytes. The longest short date the game writes, for any
// locale Qt 6.4 knows and any day of 2000-2099, is 14 bytes (Bulgarian "28.01.2000 \u0433.");
// the longest Qt writes itself with ASCII digits and a four-digit year is 16 (Algerian Arabic,
// with two right-to-left marks). Twice that leaves room for the locales of a later Qt, and a
// date no wider than a few words on the score board.
inline constexpr std::size_t kMostDateBytes = 32;

struct SubmissionCheck {
    bool valid = false;
    std::string reason;  // why the line is invalid, for a person; empty when valid
    // The pieces of the plain part, filled when valid.
    std::string version;
    std::string best;
    std::string average;
    std::string date;
    // The whole submission text as read, without what surrounded it; filled when valid.
    std::string text;
    // The numbers CheckSubmission proved the pieces to be, for whoever ranks scores: the best
    // score, and three times the average (exact, since the board writes thirds as .333, .666).
    std::uint64_t bestValue = 0;
    std::uint64_t averageThirds = 0;
};

// Any line of any bytes gets an answer. Blanks, no-break spaces and a byte order mark around the
// text and a trailing CR or LF are ignored. Valid only when the code seals the text and every
// piece is one the game can write: this version, a best score and an average that a board of
// three best scores shows, and a date of day, month and year in digits, of at most
// kMostDateBytes.
SubmissionCheck CheckSubmission(std::string_view line);

// Only the seal: the text splits into its pieces and the code belongs to its plain part,
// whatever the pieces hold.
SubmissionCheck CheckSeal(std::string_view line);

}  // namespace gyrolap
