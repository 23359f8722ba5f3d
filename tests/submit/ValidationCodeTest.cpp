// The validation code as a whole: the published examples, the shape every code has, the
// refused arguments and the draw of the random number.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>

#include "submit/ValidationCode.h"
#include "submit/ValidationCodeSteps.h"
#include "tests/submit/GeneratedSubmissions.h"

namespace gyrolap {
namespace {

constexpr const char* kFirstPlain = "GY2001.0516.1158x0x0x5/16/2001";

struct KnownCode {
    const char* plain;
    int r;
    const char* code;
};

class KnownCodes : public ::testing::TestWithParam<KnownCode> {};

TEST_P(KnownCodes, GiveTheirCode) {
    EXPECT_EQ(EncodeValidationCode(GetParam().plain, GetParam().r), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Published, KnownCodes,
    ::testing::Values(KnownCode{kFirstPlain, 57, "DVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05"},
                      KnownCode{kFirstPlain, 10, "0ACARGU2Q1Q0462029A2IQEL8QI624SI0I0G08AU"},
                      KnownCode{"GY2001.0516.1158x27x19.333x5/16/2001", 83,
                                "U3020464W8W04AE4M452SAUO630G2Q67SES21O4U"}),
    [](const ::testing::TestParamInfo<KnownCode>& info) {
        return "Number" + std::to_string(info.param.r);
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
    EXPECT_EQ(trace.code, "DVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05");
}

bool IsCodeCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

TEST(ValidationCode, EveryCodeHasTheSameShape) {
    std::mt19937 rng(20010516);
    for (int sample = 0; sample < 400; ++sample) {
        const auto pieces = testing::RandomPieces(rng);
        const std::string plain =
            PlainPart(pieces.version, pieces.best, pieces.average, pieces.date);
        const int r = 10 + sample % 90;
        const int r1 = r / 10;
        const std::size_t second = 9 + 2 * static_cast<std::size_t>(r1);
        const auto trace = validation_steps::TraceValidationCode(plain, r);
        const std::string& code = trace.code;
        SCOPED_TRACE("plain part " + ::testing::PrintToString(plain) + ", r " + std::to_string(r));
        ASSERT_EQ(code.size(), 40u);
        for (std::size_t k = 0; k < code.size(); ++k) {
            EXPECT_TRUE(IsCodeCharacter(code[k])) << "position " << k + 1;
        }
        EXPECT_EQ(code[9], '0' + r1);
        EXPECT_EQ(code[second], '0' + r % 10);
        for (std::size_t k = 1; k < 40; ++k) {
            EXPECT_NE(trace.separated[k], trace.separated[k - 1]) << "position " << k + 1;
            const bool besideDigit = k == 9 || k - 1 == 9 || k == second || k - 1 == second;
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

TEST(ValidationCode, SameArgumentsSameCode) {
    EXPECT_EQ(EncodeValidationCode("GY", 42), EncodeValidationCode("GY", 42));
    EXPECT_NE(EncodeValidationCode(kFirstPlain, 42), EncodeValidationCode(kFirstPlain, 43));
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
              "GY2001.0516.1158x0x0x5/16/2001xDVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05");
    EXPECT_EQ(BuildSubmissionText("2001.0516.1158", "0", "0", "5/16/2001", 0.0f),
              "GY2001.0516.1158x0x0x5/16/2001x0ACARGU2Q1Q0462029A2IQEL8QI624SI0I0G08AU");
}

}  // namespace
}  // namespace gyrolap
