// Checks a received submission line: reads the two random digits back out of its code,
// re-encodes the plain part and says whether the code belongs to the text, and if not, why.
#pragma once

#include <string>
#include <string_view>

namespace gyrolap {

struct SubmissionCheck {
    bool valid = false;
    std::string reason;  // why the line is invalid, for a person; empty when valid
    // The pieces of the plain part, filled when valid.
    std::string version;
    std::string best;
    std::string average;
    std::string date;
};

// Any line of any bytes gets an answer. Blanks around the text and a trailing CR or LF are ignored.
SubmissionCheck CheckSubmission(std::string_view line);

}  // namespace gyrolap
