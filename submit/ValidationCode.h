// SPDX-License-Identifier: MIT
// The score submission text and its 40-character validation code: pure functions of text,
// shared by the game's Submit Score flow and by the gyrolap-check tool. The layout of the text
// and of the code is named here once, so that the writer and the checker cannot drift apart.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace gyrolap {

// A submission text: prefix, version, separator, best, separator, average, separator, date,
// separator, code.
inline constexpr std::string_view kSubmissionPrefix = "GY";
inline constexpr char kSubmissionSeparator = 'x';

// The code's length; the encoder also reads this many bytes of the plain part.
inline constexpr std::size_t kValidationCodeLength = 40;

// Where the two-digit random number stands in the code, counted from 0: its tens digit at a
// fixed place, its units digit twice the tens digit further on.
inline constexpr std::size_t kTensDigitIndex = 9;
constexpr std::size_t UnitsDigitIndex(int tensDigit) {
    return kTensDigitIndex + 2 * static_cast<std::size_t>(tensDigit);
}

// A code holds only digits and upper-case ASCII letters (never the separator "x").
constexpr bool IsCodeCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}
// The last separator of a text therefore ends its plain part.
static_assert(!IsCodeCharacter(kSubmissionSeparator));

// The 40 characters ("0".."9", "A".."Z") that seal plainPart with the two-digit number r.
// Only the first 40 bytes of plainPart count. Throws std::invalid_argument when plainPart is
// shorter than 2 bytes or r lies outside 10..99.
std::string EncodeValidationCode(std::string_view plainPart, int r);

// The two-digit number the encoder wrote into code, read back from its two places; nothing
// when code is not 40 characters long or those places hold no such number (a tens digit 1..9,
// a units digit 0..9).
std::optional<int> ReadValidationNumber(std::string_view code);

// The two-digit number for one uniform draw u in [0, 1): floor(u * 90) + 10, the product taken
// in single precision. Throws std::invalid_argument for u outside [0, 1) or NaN.
int ValidationNumberFromDraw(float u);

// "GY" + version + "x" + best + "x" + average + "x" + date.
std::string PlainPart(std::string_view version, std::string_view best, std::string_view average,
                      std::string_view date);

// The whole submission text: the plain part, "x" and its code for the draw u.
std::string BuildSubmissionText(std::string_view version, std::string_view best,
                                std::string_view average, std::string_view date, float u);

}  // namespace gyrolap
