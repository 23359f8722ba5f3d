// SPDX-License-Identifier: MIT
// What the Submit Score flow tells the player, and where the scores go.
#pragma once

#include <string>
#include <string_view>

namespace gyrolap {

// Where players send their submission texts; whoever runs the score page sets it when
// building (GYROLAP_SCORE_EMAIL, checked there to be a plain address).
inline constexpr std::string_view kScoreEmailAddress = GYROLAP_SCORE_EMAIL;
inline constexpr std::string_view kSubmitTitle = "Validation Code";

// The three lines of the message box, joined by CR LF.
std::string SubmissionInstructions();

}  // namespace gyrolap
