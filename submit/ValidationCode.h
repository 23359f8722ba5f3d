// The score submission text and its 40-character validation code: pure functions of text,
// shared by the game's Submit Score flow and by the gyrolap-check tool.
#pragma once

#include <string>
#include <string_view>

namespace gyrolap {

// The 40 characters ("0".."9", "A".."Z") that seal plainPart with the two-digit number r.
// Only the first 40 bytes of plainPart count. Throws std::invalid_argument when plainPart is
// shorter than 2 bytes or r lies outside 10..99.
std::string EncodeValidationCode(std::string_view plainPart, int r);

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
