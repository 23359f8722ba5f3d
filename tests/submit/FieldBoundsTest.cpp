// SPDX-License-Identifier: MIT
// Every piece of a sealed submission held at its bounds: the first and the last value each
// check lets through beside the first one it refuses (scores of one to nine digits, an average
// from a third of the best to the best, days, months and years, the separators around the
// letters and digits, and each kind of control, format character and bad UTF-8 byte).
#include <gtest/gtest.h>

#include <string>

#include "game/GameState.h"
#include "submit/SubmissionCheck.h"
#include "submit/ValidationCode.h"
#include "support/CaseName.h"

namespace gyrolap {
namespace {

struct Bound {
    std::string best;
    std::string average;
    std::string date;
    std::string reason;  // empty: valid
};

void PrintTo(const Bound& bound, std::ostream* out) {
    *out << ::testing::PrintToString(bound.best + " " + bound.average + " " + bound.date);
}

class FieldAtItsBound : public ::testing::TestWithParam<Bound> {};

TEST_P(FieldAtItsBound, IsJudgedAsTheGameWritesIt) {
    const Bound& b = GetParam();
    const std::string plain = PlainPart(kVersionText, b.best, b.average, b.date);
    const std::string text = plain + kSubmissionSeparator + EncodeValidationCode(plain, 57);
    ASSERT_TRUE(CheckSeal(text).valid) << ::testing::PrintToString(text);
    const SubmissionCheck check = CheckSubmission(text);
    EXPECT_EQ(check.valid, b.reason.empty()) << ::testing::PrintToString(text);
    EXPECT_EQ(check.reason, b.reason) << ::testing::PrintToString(text);
    if (check.valid) {
        EXPECT_EQ(check.best, b.best);
        EXPECT_EQ(check.average, b.average);
        EXPECT_EQ(check.date, b.date);
    }
}

const std::string kDate = "5/16/2001";
const std::string kBadBest = "best score is not a whole number as the game writes it";
const std::string kBadAverage = "average is not written as the game writes it (#.000)";
const std::string kNotAThird =
    "average is not a sum of three whole scores divided by 3 (.000, .333 or .666)";
const std::string kLarger = "average is larger than the best score";
const std::string kSmaller = "average is smaller than the best score alone gives";
const std::string kNotADate = "date is not a day, month and year in digits";
const std::string kBeforeClocks = "date's year is before 1970, earlier than any system clock";
const std::string kNoDay = "date names no day of the year (day or month out of range)";
const std::string kLetter = "date holds a letter: the game writes day, month and year in digits";
const std::string kControl = "date holds a control or format character";
const std::string kNotUtf8 = "date is not valid UTF-8 text";

// A date whose first separator is `separator`.
std::string DateWith(const std::string& separator) {
    return "5" + separator + "16/2001";
}

INSTANTIATE_TEST_SUITE_P(
    Scores, FieldAtItsBound,
    ::testing::Values(
        // The best score: one digit to nine, no leading zero.
        Bound{"0", "0", kDate, ""}, Bound{"1", ".333", kDate, ""}, Bound{"10", "3.333", kDate, ""},
        Bound{"01", ".333", kDate, kBadBest}, Bound{"999999999", "999999999.000", kDate, ""},
        Bound{"1000000000", "999999999.000", kDate, kBadBest},
        // The average: from a third of the best (the best alone) up to the best (three equal).
        Bound{"9", "3.000", kDate, ""}, Bound{"9", "2.666", kDate, kSmaller},
        Bound{"9", "9.000", kDate, ""}, Bound{"9", "9.333", kDate, kLarger},
        Bound{"1", "1.000", kDate, ""}, Bound{"1", "1.333", kDate, kLarger},
        Bound{"1", ".666", kDate, ""}, Bound{"1", "0.333", kDate, kBadAverage},
        // Thousandths: thirds only, a rounded-up third cut.
        Bound{"11", "8.000", kDate, ""}, Bound{"11", "8.001", kDate, kNotAThird},
        Bound{"11", "7.999", kDate, kNotAThird}, Bound{"11", "8.332", kDate, kNotAThird},
        Bound{"11", "8.334", kDate, kNotAThird}, Bound{"11", "8.665", kDate, kNotAThird},
        Bound{"11", "8.666", kDate, ""}, Bound{"11", "8.667", kDate, kNotAThird},
        // Nine digits before the point, not ten.
        Bound{"999999999", "333333333.000", kDate, ""},
        Bound{"999999999", "1000000000.000", kDate, kBadAverage}),
    [](const ::testing::TestParamInfo<Bound>& info) {
        return testing::CaseName(info.index,
                                 info.param.reason.empty() ? "valid" : info.param.reason);
    });

INSTANTIATE_TEST_SUITE_P(
    Dates, FieldAtItsBound,
    ::testing::Values(
        // Years: four digits from 1970 on.
        Bound{"0", "0", "1/1/1970", ""}, Bound{"0", "0", "12/31/1969", kBeforeClocks},
        Bound{"0", "0", "1/1/0000", kBeforeClocks}, Bound{"0", "0", "12/31/9999", ""},
        Bound{"0", "0", "1/1/10000", kNotADate}, Bound{"0", "0", "1970/1/1", ""},
        // Day and month, either first: 1 to 31 and 1 to 12.
        Bound{"0", "0", "1/1/2001", ""}, Bound{"0", "0", "0/1/2001", kNoDay},
        Bound{"0", "0", "1/0/2001", kNoDay}, Bound{"0", "0", "12/31/2001", ""},
        Bound{"0", "0", "31/12/2001", ""}, Bound{"0", "0", "12/32/2001", kNoDay},
        Bound{"0", "0", "32/12/2001", kNoDay}, Bound{"0", "0", "13/12/2001", ""},
        Bound{"0", "0", "12/13/2001", ""}, Bound{"0", "0", "13/13/2001", kNoDay},
        Bound{"0", "0", "31/31/2001", kNoDay}, Bound{"0", "0", "01/09/2001", ""},
        Bound{"0", "0", "001/9/2001", kNotADate}, Bound{"0", "0", "1/9", kNotADate},
        // Separators: anything but a letter, a control or a format character, in valid UTF-8.
        Bound{"0", "0", DateWith("/"), ""}, Bound{"0", "0", DateWith(":"), ""},
        Bound{"0", "0", DateWith("@"), ""}, Bound{"0", "0", DateWith("["), ""},
        Bound{"0", "0", DateWith("`"), ""}, Bound{"0", "0", DateWith("{"), ""},
        Bound{"0", "0", DateWith(" "), ""}, Bound{"0", "0", DateWith("~"), ""},
        Bound{"0", "0", DateWith(". "), ""}, Bound{"0", "0", DateWith("\xC2\xA0"), ""},
        Bound{"0", "0", DateWith("\xD0\xB3"), ""},  // a Cyrillic letter is not one of A-Z
        Bound{"0", "0", DateWith("A"), kLetter}, Bound{"0", "0", DateWith("Z"), kLetter},
        Bound{"0", "0", DateWith("a"), kLetter}, Bound{"0", "0", DateWith("z"), kLetter},
        Bound{"0", "0", DateWith(std::string(1, '\0')), kControl},
        Bound{"0", "0", DateWith("\x1F"), kControl}, Bound{"0", "0", DateWith("\x7F"), kControl},
        Bound{"0", "0", DateWith("\xC2\x80"), kControl},
        Bound{"0", "0", DateWith("\xC2\x9F"), kControl},
        Bound{"0", "0", DateWith("\xC2\xAD"), kControl},          // U+00AD, the first format one
        Bound{"0", "0", DateWith("\xE2\x80\x8B"), kControl},      // U+200B
        Bound{"0", "0", DateWith("\xE2\x80\x8F"), kControl},      // U+200F
        Bound{"0", "0", DateWith("\xE2\x80\x90"), ""},            // U+2010, a hyphen
        Bound{"0", "0", DateWith("\xEF\xBB\xBF"), kControl},      // U+FEFF
        Bound{"0", "0", DateWith("\xF3\xA0\x81\xBF"), kControl},  // U+E007F, the last tag
        Bound{"0", "0", DateWith("\x80"), kNotUtf8},
        Bound{"0", "0", DateWith("\xC1\xBF"), kNotUtf8},
        Bound{"0", "0", DateWith("\xED\xA0\x80"), kNotUtf8},
        Bound{"0", "0", DateWith("\xF4\x90\x80\x80"), kNotUtf8},
        Bound{"0", "0", "5/16/2001\xE2\x80", kNotUtf8}),
    [](const ::testing::TestParamInfo<Bound>& info) {
        return testing::CaseName(info.index,
                                 info.param.reason.empty() ? "valid" : info.param.reason);
    });

}  // namespace
}  // namespace gyrolap
