// SPDX-License-Identifier: MIT
// What the Submit Score flow tells the player; see SubmissionInstructions.h.
#include "submit/SubmissionInstructions.h"

namespace gyrolap {

std::string SubmissionInstructions() {
    std::string text = "Your validation code has been copied to the clipboard.\r\n";
    text += "Paste it in an email it to ";
    text += kScoreEmailAddress;
    text +=
        "\r\nInclude City, State, Country, and the nickname you want to use on the score "
        "page.  You should also save your Validation Code in Notepad in case it gets lost "
        "somewhere.";
    return text;
}

}  // namespace gyrolap
