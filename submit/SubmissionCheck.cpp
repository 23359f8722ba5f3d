// Checking a received submission line: split it, read the random number back out of the code,
// encode the plain part again and compare.
#include "submit/SubmissionCheck.h"

#include <algorithm>
#include <string>
#include <utility>

#include "submit/ValidationCode.h"

namespace gyrolap {

namespace {

constexpr std::size_t kCodeLength = 40;
constexpr char kSeparator = 'x';

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view line) {
    // A line saved on Windows or pasted from a mail ends in CR (and may still carry its LF);
    // blanks may surround the text.
    while (!line.empty() && (IsBlank(line.back()) || line.back() == '\r' || line.back() == '\n')) {
        line.remove_suffix(1);
    }
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    return line;
}

bool IsCodeCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

SubmissionCheck Invalid(std::string reason) {
    SubmissionCheck check;
    check.reason = std::move(reason);
    return check;
}

}  // namespace

SubmissionCheck CheckSubmission(std::string_view line) {
    const std::string_view text = Trimmed(line);
    if (text.empty()) return Invalid("empty line, no submission text");

    // A code never holds a lower-case "x", so the last one ends the plain part. A text with
    // fewer than four separators cannot hold both the plain part and a code.
    const auto separators = std::count(text.begin(), text.end(), kSeparator);
    const std::size_t last = text.rfind(kSeparator);
    if (separators < 4 || last + 1 == text.size()) {
        return Invalid("no validation code: the text must end in \"x\" and the 40-character code");
    }
    const std::string_view plain = text.substr(0, last);
    const std::string_view code = text.substr(last + 1);
    const std::string kNotACode = "validation code is not 40 characters of 0-9 and A-Z";
    if (code.size() != kCodeLength) {
        return Invalid(kNotACode + " (found " + std::to_string(code.size()) +
                       " characters after the last \"x\")");
    }
    const auto* wrong = std::find_if_not(code.begin(), code.end(), IsCodeCharacter);
    if (wrong != code.end()) {
        return Invalid(kNotACode + " (character " + std::to_string(wrong - code.begin() + 1) +
                       " is not one of these)");
    }

    if (!plain.starts_with("GY")) return Invalid("plain part does not start with \"GY\"");
    // The plain part holds at least three separators, counted above; the date takes the rest,
    // separators and all.
    const std::size_t afterVersion = plain.find(kSeparator, 2);
    const std::size_t afterBest = plain.find(kSeparator, afterVersion + 1);
    const std::size_t afterAverage = plain.find(kSeparator, afterBest + 1);
    const std::string_view version = plain.substr(2, afterVersion - 2);
    const std::string_view best = plain.substr(afterVersion + 1, afterBest - afterVersion - 1);
    const std::string_view average = plain.substr(afterBest + 1, afterAverage - afterBest - 1);
    const std::string_view date = plain.substr(afterAverage + 1);
    if (version.empty() || best.empty() || average.empty() || date.empty()) {
        return Invalid(
            "plain part has an empty piece: version, best, average and date are all needed");
    }

    const char r1 = code[9];
    if (r1 < '1' || r1 > '9') return Invalid("unreadable random digits in the validation code");
    const char r2 = code[9 + 2 * static_cast<std::size_t>(r1 - '0')];
    if (r2 < '0' || r2 > '9') return Invalid("unreadable random digits in the validation code");
    const int r = 10 * (r1 - '0') + (r2 - '0');

    if (EncodeValidationCode(plain, r) != code) {
        return Invalid("validation code does not match the text");
    }
    SubmissionCheck result;
    result.valid = true;
    result.version = version;
    result.best = best;
    result.average = average;
    result.date = date;
    return result;
}

}  // namespace gyrolap
