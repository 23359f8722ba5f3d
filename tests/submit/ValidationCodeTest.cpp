// SPDX-License-Identifier: MIT
// The validation code as a whole: the published examples, the shape every code has, the number
// read back out of it, the refused arguments and the draw of the random number.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>

#include "submit/ValidationCode.h"
#include "submit/ValidationCodeSteps.h"
#include "support/PublishedSubmissions.h"
#include "tests/submit/GeneratedSubmissions.h"

namespace gyrolap {
namespace {

using testing::kPublishedSubmissions;
using testing::PublishedSubmission;

constexpr std::string_view kFirstPlain = kPublishedSubmissions[0].plain;

class PublishedCodes : public ::testing::TestWithParam<PublishedSubmission> {};

TEST_P(PublishedCodes, AreWhatTheEncoderWritesAndGiveTheirNumberBack) {
    const PublishedSubmission& published = GetParam();
    EXPECT_EQ(EncodeValidationCode(published.plain, published.number), published.code);
    EXPECT_EQ(ReadValidationNumber(published.code), published.number);
    EXPECT_EQ(PlainPart("2001.0516.1158", published.best, published.average, published.date),
              published.plain);
    EXPECT_EQ(BuildSubmissionText("2001.0516.1158", published.best, published.average,
                                  published.date, published.Draw()),
              published.Text());
}

INSTANTIATE_TEST_SUITE_P(Submissions, PublishedCodes, ::testing::ValuesIn(kPublishedSubmissions),
                         [](const ::testing::TestParamInfo<PublishedSubmission>& info) {
                             return "Number" + std::to_string(info.param.number);
                         });

TEST(ValidationCode, FirstExampleStagesMatchTheirCheckpoints) {
    const auto trace = validation_steps::TraceValidationCode(kFirstPlain, 57);
    const validation_steps::Values characters = {
        71, 89, 50, 48, 48, 49, 46, 48, 53, 49, 54, 46, 49, 49, 53, 56, 89, 48, 87, 48,
        89, 53, 73, 49, 54, 76, 50, 48, 48, 49, 89, 50, 48, 48, 49, 46, 48, 53, 49, 54};
    EXPECT_EQ(trace.characters, characters);
    EXPECT_EQ(trace.mean, 34695);
    EXPECT_EQ(trace.lettersAndDigits, "DVNHYJZHLRHFJJ7TV65XDT1CXL1V71XNNNNV1H05");
    // The second "J" of "JJ" and the second and fourth "N" of "NNNN" become "0".
    EXPECT_EQ(trace.separated, "DVNHYJZHLRHFJ07TV65XDT1CXL1V71XN0N0V1H05");
    EXPECT_EQ(trace.code, kPublishedSubmissions[0].code);
}

TEST(ValidationCode, EveryCodeHasTheSameShape) {
    std::mt19937 rng(20010516);
    for (int sample = 0; sample < 400; ++sample) {
        const auto pieces = testing::RandomPieces(rng);
        const std::string plain =
            PlainPart(pieces.version, pieces.best, pieces.average, pieces.date);
        const int r = 10 + sample % 90;
        const std::size_t tens = kTensDigitIndex;
        const std::size_t units = UnitsDigitIndex(r / 10);
        const auto trace = validation_steps::TraceValidationCode(plain, r);
        const std::string& code = trace.code;
        SCOPED_TRACE("plain part " + ::testing::PrintToString(plain) + ", r " + std::to_string(r));
        ASSERT_EQ(code.size(), 40u);
        for (std::size_t k = 0; k < code.size(); ++k) {
            EXPECT_TRUE(IsCodeCharacter(code[k])) << "position " << k + 1;
        }
        EXPECT_EQ(ReadValidationNumber(code), r);
        // Only the number's two places differ from the code before they were written.
        for (std::size_t k = 0; k < code.size(); ++k) {
            if (k != tens && k != units) {
                EXPECT_EQ(code[k], trace.separated[k]) << "position " << k + 1;
            }
        }
        for (std::size_t k = 1; k < code.size(); ++k) {
            EXPECT_NE(trace.separated[k], trace.separated[k - 1]) << "position " << k + 1;
            const bool besideDigit = k == tens || k - 1 == tens || k == units || k - 1 == units;
            if (!besideDigit) {
                EXPECT_NE(code[k], code[k - 1]) << "position " << k + 1;
            }
        }
    }
}

TEST(ValidationCode, OnlyTheFirstFortyBytesCount) {
    const std::string first40 = "GY2001.0516.1158x1234x567.333x16.05.2001";
    ASSERT_EQ(first40.size(), 40u);
    for (int r = 10; r <= 99; ++r) {
        const std::string code = EncodeValidationCode(first40, r);
        EXPECT_EQ(EncodeValidationCode(first40 + "x", r), code) << r;
        EXPECT_EQ(EncodeValidationCode(first40 + "\xFF/zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz", r),
                  code)
            << r;
    }
    // Below 40 bytes the reading wraps, so one more byte does change the code.
    EXPECT_NE(EncodeValidationCode(first40.substr(0, 39), 57), EncodeValidationCode(first40, 57));
}

TEST(ValidationCode, EveryByteOfTheFirstFortyCounts) {
    // No position of what is read is skipped: changing the byte there changes the code. The
    // code is shorter than what it seals, so one replacement may happen to give the same code
    // ("GY2001.0516.11587..." does, for the "x" at 17); of a few different ones, some must not.
    for (const std::string& plain :
         {std::string(kFirstPlain), std::string("GY2001.0516.1158x1234x567.333x16.05.2001")}) {
        const std::string code = EncodeValidationCode(plain, 57);
        for (std::size_t at = 0; at < plain.size(); ++at) {
            int changedCodes = 0;
            for (const char other : {'7', '/', 'A', '\x90'}) {
                if (plain[at] == other) continue;
                std::string changed = plain;
                changed[at] = other;
                if (EncodeValidationCode(changed, 57) != code) ++changedCodes;
            }
            EXPECT_GE(changedCodes, 2) << ::testing::PrintToString(plain) << " position " << at + 1;
        }
    }
}

TEST(ValidationCode, TheNumberSealsMoreThanItsOwnDigits) {
    // Two numbers with the same digit places (one tens digit) differ in the rest of the code
    // too, so a code cannot be moved to another number by rewriting its digits.
    for (int r = 10; r <= 98; ++r) {
        if (r % 10 == 9) continue;
        std::string a = EncodeValidationCode(kFirstPlain, r);
        std::string b = EncodeValidationCode(kFirstPlain, r + 1);
        const std::size_t units = UnitsDigitIndex(r / 10);
        a[units] = b[units];
        EXPECT_NE(a, b) << r;
    }
}

struct Unreadable {
    std::string code;
    const char* why;
};

class UnreadableNumbers : public ::testing::TestWithParam<Unreadable> {};

TEST_P(UnreadableNumbers, GiveNoNumber) {
    EXPECT_EQ(ReadValidationNumber(GetParam().code), std::nullopt);
}

std::string WithAt(std::string code, std::size_t index, char c) {
    code[index] = c;
    return code;
}

const std::string kFirstCode(kPublishedSubmissions[0].code);  // 57: digits at 10 and 20

INSTANTIATE_TEST_SUITE_P(
    Codes, UnreadableNumbers,
    ::testing::Values(Unreadable{"", "Empty"}, Unreadable{kFirstCode.substr(1), "OneShort"},
                      Unreadable{kFirstCode + "0", "OneLong"},
                      Unreadable{WithAt(kFirstCode, 9, '0'), "TensZero"},
                      Unreadable{WithAt(kFirstCode, 9, 'A'), "TensLetter"},
                      Unreadable{WithAt(kFirstCode, 19, 'K'), "UnitsLetter"},
                      // Tens digit 9 puts the units digit furthest on, at 28.
                      Unreadable{WithAt(WithAt(kFirstCode, 9, '9'), 27, 'Z'), "FurthestUnits"}),
    [](const ::testing::TestParamInfo<Unreadable>& info) { return info.param.why; });

TEST(ReadValidationNumber, ReadsEveryNumberBackWhateverSurroundsIt) {
    for (int r = 10; r <= 99; ++r) {
        for (const char ground : {'0', 'Z'}) {
            std::string code(kValidationCodeLength, ground);
            validation_steps::WriteRandomDigits(code, r);
            EXPECT_EQ(ReadValidationNumber(code), r) << code;
        }
    }
}

struct Refused {
    std::string plain;
    int r;
};

class RefusedArguments : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedArguments, ThrowInvalidArgument) {
    EXPECT_THROW(EncodeValidationCode(GetParam().plain, GetParam().r), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(ShortPlainOrNumberOutOfRange, RefusedArguments,
                         ::testing::Values(Refused{"", 57}, Refused{"G", 57}, Refused{"GY", 9},
                                           Refused{"GY", 100}, Refused{"GY", -57},
                                           Refused{"GY", INT_MIN}, Refused{"GY", INT_MAX}),
                         [](const ::testing::TestParamInfo<Refused>& info) {
                             std::string number = std::to_string(info.param.r);
                             if (number[0] == '-') number.replace(0, 1, "Minus");
                             return "Length" + std::to_string(info.param.plain.size()) + "_Number" +
                                    number;
                         });

TEST(ValidationCode, SmallestArgumentsAreAccepted) {
    EXPECT_EQ(EncodeValidationCode("GY", 10).size(), 40u);
    EXPECT_EQ(EncodeValidationCode(std::string(2, '\0'), 99).size(), 40u);
}

struct Draw {
    float u;
    int r;
};

class Draws : public ::testing::TestWithParam<Draw> {};

TEST_P(Draws, GiveTheirNumber) {
    EXPECT_EQ(ValidationNumberFromDraw(GetParam().u), GetParam().r);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, Draws,
                         ::testing::Values(Draw{0.0f, 10}, Draw{0.5f, 55}, Draw{0.53f, 57},
                                           // The largest float below 1 still gives 99.
                                           Draw{0x1.fffffep-1f, 99},
                                           // Taken in double precision this product lies just below
                                           // 47 (r = 56); in single precision it rounds to 47.
                                           Draw{0x1.0b60b6p-1f, 57}),
                         [](const ::testing::TestParamInfo<Draw>& info) {
                             return "Case" + std::to_string(info.index) + "_Gives" +
                                    std::to_string(info.param.r);
                         });

TEST(ValidationNumberFromDraw, StaysWithinTenToNinetyNineNearOne) {
    // The top of [0, 1) is where a product could round up to 90.
    int lowest = 100;
    int highest = 0;
    for (float u = 0.98f; u < 1.0f; u = std::nextafter(u, 1.0f)) {
        const int r = ValidationNumberFromDraw(u);
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_EQ(lowest, 98);
    EXPECT_EQ(highest, 99);
}

TEST(ValidationNumberFromDraw, ReachesEveryNumber) {
    std::array<bool, 100> seen{};
    for (int k = 0; k < 9000; ++k)
        seen[ValidationNumberFromDraw(static_cast<float>(k) / 9000)] = true;
    for (int r = 10; r <= 99; ++r) EXPECT_TRUE(seen[r]) << r;
}

TEST(ValidationNumberFromDraw, RefusesDrawsOutsideTheUnitInterval) {
    for (const float u : {-0.25f, 1.0f, 1.5f, std::nanf(""), INFINITY, -INFINITY}) {
        EXPECT_THROW(ValidationNumberFromDraw(u), std::invalid_argument) << u;
    }
}

TEST(SubmissionText, JoinsThePiecesAndTheCode) {
    EXPECT_EQ(PlainPart("2001.0516.1158", "27", "19.333", "5/16/2001"),
              "GY2001.0516.1158x27x19.333x5/16/2001");
    EXPECT_EQ(BuildSubmissionText("2001.0516.1158", "0", "0", "5/16/2001", 0.53f),
              kPublishedSubmissions[0].Text());
    EXPECT_EQ(BuildSubmissionText("2001.0516.1158", "0", "0", "5/16/2001", 0.0f),
              kPublishedSubmissions[1].Text());
}

}  // namespace
}  // namespace gyrolap
