// SPDX-License-Identifier: MIT
// Checking a received submission line: split it, read the random number back out of the code,
// encode the plain part again and compare; then hold each piece against what the game writes.
#include "submit/SubmissionCheck.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "submit/SafeText.h"
#include "submit/ScoreText.h"
#include "submit/ValidationCode.h"
#include "submit/Version.h"

namespace gyrolap {

namespace {

// No game reaches a score of ten digits: it would take years of hits a millisecond apart.
constexpr std::size_t kMostScoreDigits = 9;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kNoBreakSpace = "\xC2\xA0";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsDigit);
}

std::string_view Trimmed(std::string_view line) {
    // A line saved on Windows or pasted from a mail ends in CR (and may still carry its LF);
    // blanks may surround the text, and an editor may put a byte order mark or a no-break space
    // in front of it.
    for (bool changed = true; changed && !line.empty();) {
        changed = true;
        if (IsBlank(line.back()) || line.back() == '\r' || line.back() == '\n') {
            line.remove_suffix(1);
        } else if (line.ends_with(kNoBreakSpace)) {
            line.remove_suffix(kNoBreakSpace.size());
        } else {
            changed = false;
        }
    }
    for (bool changed = true; changed && !line.empty();) {
        changed = true;
        if (IsBlank(line.front())) {
            line.remove_prefix(1);
        } else if (line.starts_with(kByteOrderMark)) {
            line.remove_prefix(kByteOrderMark.size());
        } else if (line.starts_with(kNoBreakSpace)) {
            line.remove_prefix(kNoBreakSpace.size());
        } else {
            changed = false;
        }
    }
    return line;
}

// The separator as the reasons quote it.
std::string QuotedSeparator() {
    return {'"', kSubmissionSeparator, '"'};
}

std::string NotACode() {
    return "validation code is not " + std::to_string(kValidationCodeLength) +
           " characters of 0-9 and A-Z";
}

SubmissionCheck Invalid(std::string reason) {
    SubmissionCheck check;
    check.reason = std::move(reason);
    return check;
}

std::uint64_t NumberOf(std::string_view digits) {
    std::uint64_t value = 0;
    for (const char c : digits) value = value * 10 + static_cast<std::uint64_t>(c - '0');
    return value;
}

// Why `best` is not a score as the board writes it ("0", "7", "123"), or nothing.
std::string BestReason(std::string_view best) {
    const bool whole = !best.empty() && best.size() <= kMostScoreDigits && AllDigits(best) &&
                       (best.size() == 1 || best[0] != '0');
    return whole ? "" : "best score is not a whole number as the game writes it";
}

// Why `average` cannot stand beside `best` on the board, or nothing. The board shows the
// average of its three best scores a >= b >= c >= 0 with a the best, as "#.000" with a
// rounded-up third cut to .666; before the first game it reads "0" beside a best of "0".
// `thirds` is then three times the average, exactly.
std::string AverageReason(std::string_view best, std::string_view average,
                          std::uint64_t& thirdsOf) {
    thirdsOf = 0;
    if (best == "0") {
        return average == "0" ? "" : "average given while the best score is 0: no game has ended";
    }
    if (average == "0") return "average 0 is written only before the first game, with best 0";

    const std::size_t point = average.find('.');
    const std::string_view whole = average.substr(0, point);
    const std::string_view thousandths =
        point == std::string_view::npos ? std::string_view() : average.substr(point + 1);
    const bool written = point != std::string_view::npos && whole.size() <= kMostScoreDigits &&
                         AllDigits(whole) && (whole.empty() || whole[0] != '0') &&
                         thousandths.size() == 3 && AllDigits(thousandths);
    if (!written) return "average is not written as the game writes it (#.000)";

    std::uint64_t thirds = 0;
    if (thousandths == "333") {
        thirds = 1;
    } else if (thousandths == "666") {
        thirds = 2;
    } else if (thousandths != "000") {
        return "average is not a sum of three whole scores divided by 3 (.000, .333 or .666)";
    }
    const std::uint64_t sum = 3 * NumberOf(whole) + thirds;
    const std::uint64_t top = NumberOf(best);
    if (sum > 3 * top) return "average is larger than the best score";
    if (sum < top) return "average is smaller than the best score alone gives";

    // The board itself, given three such scores, must show these very texts.
    const std::uint64_t second = std::min(top, sum - top);
    const std::uint64_t third = sum - top - second;
    const std::string shownBest = FormatScore(static_cast<double>(top));
    const std::string shownAverage = AverageText(
        static_cast<double>(top), static_cast<double>(second), static_cast<double>(third));
    if (shownAverage != average || shownBest != best) {
        return "average is not written as the game writes it (#.000)";
    }
    thirdsOf = sum;
    return "";
}

// Why `date` is not a short date as the game writes it: day, month and year in ASCII digits,
// the year in full, between the user's separators, and no longer than any locale writes it. Or
// nothing.
std::string DateReason(std::string_view date) {
    // The seal covers only the first 40 bytes: without a bound, the rest of a date could be any
    // text of any length, and the score board shows it whole.
    if (date.size() > kMostDateBytes) {
        return "date is longer than " + std::to_string(kMostDateBytes) +
               " bytes: no locale writes a short date that long";
    }
    const std::string kNotADate = "date is not a day, month and year in digits";
    std::vector<std::string_view> numbers;
    std::size_t at = 0;
    while (at < date.size()) {
        const Utf8Character c = NextUtf8Character(date, at);
        if (!c.valid) return "date is not valid UTF-8 text";
        if (IsControl(c.code) || IsFormat(c.code))
            return "date holds a control or format character";
        if ((c.code >= 'a' && c.code <= 'z') || (c.code >= 'A' && c.code <= 'Z')) {
            return "date holds a letter: the game writes day, month and year in digits";
        }
        if (c.code >= '0' && c.code <= '9') {
            std::size_t end = at;
            while (end < date.size() && IsDigit(date[end])) ++end;
            if (numbers.size() == 3 || end - at > 4) return kNotADate;
            numbers.push_back(date.substr(at, end - at));
            at = end;
        } else {
            at += c.length;
        }
    }
    if (numbers.size() != 3) return kNotADate;
    // One number of four digits is the year; the two others are the day and the month, in the
    // user's order.
    std::vector<std::uint64_t> dayAndMonth;
    std::uint64_t year = 0;
    for (const std::string_view number : numbers) {
        if (number.size() <= 2) dayAndMonth.push_back(NumberOf(number));
        if (number.size() == 4) year = NumberOf(number);
    }
    if (dayAndMonth.size() != 2) return kNotADate;
    // No system clock reads a day before 1970.
    if (year < 1970) return "date's year is before 1970, earlier than any system clock";
    const auto a = dayAndMonth[0], b = dayAndMonth[1];
    const bool real = a >= 1 && b >= 1 && a <= 31 && b <= 31 && (a <= 12 || b <= 12);
    return real ? "" : "date names no day of the year (day or month out of range)";
}

}  // namespace

SubmissionCheck CheckSeal(std::string_view line) {
    const std::string_view text = Trimmed(line);
    if (text.empty()) return Invalid("empty line, no submission text");

    // A code never holds a lower-case "x", so the last one ends the plain part. A text with
    // fewer than four separators cannot hold both the plain part and a code.
    const auto separators = std::count(text.begin(), text.end(), kSubmissionSeparator);
    const std::size_t last = text.rfind(kSubmissionSeparator);
    if (separators < 4 || last + 1 == text.size()) {
        return Invalid("no validation code: the text must end in " + QuotedSeparator() +
                       " and the " + std::to_string(kValidationCodeLength) + "-character code");
    }
    const std::string_view plain = text.substr(0, last);
    const std::string_view code = text.substr(last + 1);
    if (code.size() != kValidationCodeLength) {
        return Invalid(NotACode() + " (found " + std::to_string(code.size()) +
                       " characters after the last " + QuotedSeparator() + ")");
    }
    const auto* wrong = std::find_if_not(code.begin(), code.end(), IsCodeCharacter);
    if (wrong != code.end()) {
        return Invalid(NotACode() + " (character " + std::to_string(wrong - code.begin() + 1) +
                       " is not one of these)");
    }

    if (!plain.starts_with(kSubmissionPrefix)) {
        return Invalid("plain part does not start with \"" + std::string(kSubmissionPrefix) + "\"");
    }
    // The plain part holds at least three separators, counted above; the date takes the rest,
    // separators and all.
    const std::size_t start = kSubmissionPrefix.size();
    const std::size_t afterVersion = plain.find(kSubmissionSeparator, start);
    const std::size_t afterBest = plain.find(kSubmissionSeparator, afterVersion + 1);
    const std::size_t afterAverage = plain.find(kSubmissionSeparator, afterBest + 1);
    const std::string_view version = plain.substr(start, afterVersion - start);
    const std::string_view best = plain.substr(afterVersion + 1, afterBest - afterVersion - 1);
    const std::string_view average = plain.substr(afterBest + 1, afterAverage - afterBest - 1);
    const std::string_view date = plain.substr(afterAverage + 1);
    if (version.empty() || best.empty() || average.empty() || date.empty()) {
        return Invalid(
            "plain part has an empty piece: version, best, average and date are all needed");
    }

    const std::optional<int> r = ReadValidationNumber(code);
    if (!r) return Invalid("unreadable random digits in the validation code");
    if (EncodeValidationCode(plain, *r) != code) {
        return Invalid("validation code does not match the text");
    }
    SubmissionCheck result;
    result.valid = true;
    result.version = version;
    result.best = best;
    result.average = average;
    result.date = date;
    result.text = text;
    return result;
}

SubmissionCheck CheckSubmission(std::string_view line) {
    SubmissionCheck check = CheckSeal(line);
    if (!check.valid) return check;
    // The code seals only the first 40 bytes, and a code can be found for a text the game
    // never wrote: every piece is held against what the game writes, sealed or not.
    if (check.version != kVersionText) {
        return Invalid(std::string("version is not this game's version (") + kVersionText + ")");
    }
    if (std::string reason = BestReason(check.best); !reason.empty()) return Invalid(reason);
    if (std::string reason = AverageReason(check.best, check.average, check.averageThirds);
        !reason.empty()) {
        return Invalid(reason);
    }
    check.bestValue = NumberOf(check.best);
    if (std::string reason = DateReason(check.date); !reason.empty()) return Invalid(reason);
    return check;
}

}  // namespace gyrolap
