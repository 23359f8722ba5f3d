// SPDX-License-Identifier: MIT
// The game's instructions as shown in the help window, broken by hand so each line fits
// the text box in the monospaced face; blanks at line ends and after full stops are meant.
// The window ends each line with a line break, the last one included.
#pragma once

#include <array>
#include <string_view>

namespace gyrolap {

inline constexpr std::array<std::string_view, 27> kHelpLines{
    "Welcome to Gyrolap!",
    "",
    "Objective",
    "Your goal in Gyrolap is to keep the ",
    "particle in motion around its path.  This is ",
    "accomplished by hitting \"Accelerate\" each time the ",
    "particle passes through the red accelerator ring.  ",
    "You loose if you hit too early or late, after which ",
    "you go back to level one.  Each time the particle ",
    "passes through the accelerator ring, its speed ",
    "increases.  After you pass ten levels, you go to a ",
    "new round with a new pattern for the particle to ",
    "travel in.  When each level starts, the particle ",
    "slows down back to normal so that you can adjust to ",
    "the new pattern.  There are no new rounds after ",
    "level six, so it just continues on faster and ",
    "faster.  This is where you will die if you make it ",
    "this far.",
    "",
    "Scoring",
    "Your score is determined by the number of rounds ",
    "that you can finish.  Your highest three scores ",
    "during the current session and their average are ",
    "displayed.  The current session is just however ",
    "long you've had the game running this particular ",
    "time.  Closing the program resets the session and ",
    "thus your scores.",
};

}  // namespace gyrolap
