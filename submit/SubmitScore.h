// What the Submit Score flow tells the player, and where the scores go.
#pragma once

#include <string>
#include <string_view>

namespace gyrolap {

// Where players send their submission texts. One constant, until the real address is known.
inline constexpr std::string_view kScoreEmailAddress = "scores@gyrolap.example";
inline constexpr std::string_view kSubmitTitle = "Validation Code";

// The three lines of the message box, joined by CR LF.
std::string SubmissionInstructions();

}  // namespace gyrolap
