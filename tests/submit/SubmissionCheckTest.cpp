// The checker of received submission lines: what it accepts, what it refuses and why, and that
// every line gets an answer.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "submit/SubmissionCheck.h"
#include "submit/ValidationCode.h"
#include "tests/submit/GeneratedSubmissions.h"

namespace gyrolap {
namespace {

constexpr const char* kFirstText =
    "GY2001.0516.1158x0x0x5/16/2001xDVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05";
constexpr const char* kThirdText =
    "GY2001.0516.1158x27x19.333x5/16/2001xU3020464W8W04AE4M452SAUO630G2Q67SES21O4U";

// The text for a plain part with the random number r.
std::string TextFor(const std::string& plain, int r) {
    return plain + "x" + EncodeValidationCode(plain, r);
}

TEST(CheckSubmission, AcceptsPublishedTextsAndReturnsTheirPieces) {
    const auto first = CheckSubmission(kFirstText);
    EXPECT_TRUE(first.valid) << first.reason;
    EXPECT_EQ(first.reason, "");
    EXPECT_EQ(first.version, "2001.0516.1158");
    EXPECT_EQ(first.best, "0");
    EXPECT_EQ(first.average, "0");
    EXPECT_EQ(first.date, "5/16/2001");

    const auto third = CheckSubmission(kThirdText);
    EXPECT_TRUE(third.valid) << third.reason;
    EXPECT_EQ(third.best, "27");
    EXPECT_EQ(third.average, "19.333");
}

TEST(CheckSubmission, DateKeepsItsOwnSeparators) {
    const auto check =
        CheckSubmission(TextFor(PlainPart("2001.0516.1158", "3", ".667", "16x05x01"), 33));
    EXPECT_TRUE(check.valid) << check.reason;
    EXPECT_EQ(check.average, ".667");
    EXPECT_EQ(check.date, "16x05x01");
}

TEST(CheckSubmission, ToleratesSurroundingBlanksAndTrailingCarriageReturn) {
    for (const std::string before : {"", " ", "\t", "  \t "}) {
        for (const std::string after : {"", "\r", " ", "\t\r", " \r", "\r ", "\n", "\r\n"}) {
            const auto check = CheckSubmission(before + kFirstText + after);
            EXPECT_TRUE(check.valid) << ::testing::PrintToString(before + "..." + after);
        }
    }
}

struct Refusal {
    std::string line;
    std::string reason;
};

class Refusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refusals, SayWhy) {
    const auto check = CheckSubmission(GetParam().line);
    EXPECT_FALSE(check.valid);
    EXPECT_EQ(check.reason, GetParam().reason);
}

const std::string kFirst = kFirstText;
const std::string kNoCode =
    "no validation code: the text must end in \"x\" and the 40-character code";
const std::string kUnreadable = "unreadable random digits in the validation code";
const std::string kMismatch = "validation code does not match the text";

std::string WithCharacter(std::string text, std::size_t codePosition, char c) {
    text[text.size() - 40 + codePosition - 1] = c;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, Refusals,
    ::testing::Values(
        Refusal{"", "empty line, no submission text"},
        Refusal{" \t \r", "empty line, no submission text"},
        Refusal{"GY2001.0516.1158x0x0x5/16/2001", kNoCode},
        Refusal{"DVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05", kNoCode},
        Refusal{kFirst + "x", kNoCode},
        Refusal{kFirst.substr(0, kFirst.size() - 1),
                "validation code is not 40 characters of 0-9 and A-Z (found 39 characters after "
                "the last \"x\")"},
        Refusal{kFirst + "5",
                "validation code is not 40 characters of 0-9 and A-Z (found 41 characters after "
                "the last \"x\")"},
        Refusal{WithCharacter(kFirst, 1, 'd'),
                "validation code is not 40 characters of 0-9 and A-Z (character 1 is not one of "
                "these)"},
        Refusal{WithCharacter(kFirst, 7, '-'),
                "validation code is not 40 characters of 0-9 and A-Z (character 7 is not one of "
                "these)"},
        Refusal{"gY2001.0516.1158x0x0x5/16/2001xDVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05",
                "plain part does not start with \"GY\""},
        Refusal{"GYxxx5/16/2001xDVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05",
                "plain part has an empty piece: version, best, average and date are all needed"},
        Refusal{"GY2001.0516.1158x0x0xxDVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05",
                "plain part has an empty piece: version, best, average and date are all needed"},
        // Position 10 holds the tens digit, 1 to 9; position 20 the units digit of 57.
        Refusal{WithCharacter(kFirst, 10, 'A'), kUnreadable},
        Refusal{WithCharacter(kFirst, 10, '0'), kUnreadable},
        Refusal{WithCharacter(kFirst, 20, 'K'), kUnreadable},
        Refusal{"GY2001.0516.1158x9x0x5/16/2001xDVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05",
                kMismatch},
        Refusal{"GY2001.0516.1158x0x0x5/17/2001xDVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05",
                kMismatch},
        Refusal{WithCharacter(kFirst, 1, 'E'), kMismatch},
        Refusal{WithCharacter(kFirst, 20, '8'), kMismatch}),
    // The case's place in the table, then the first words of what it must say.
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name = "Case" + std::to_string(info.index);
        bool gap = true;
        for (const char c : std::string(info.param.reason)) {
            if (c == ':' || c == '(') break;
            const bool word =
                (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            if (word && gap && name.size() >= 32) break;
            if (word && gap) name += '_';
            if (word) name += c;
            gap = !word;
        }
        return name;
    });

TEST(CheckSubmission, AcceptsEveryTextTheGameBuildsForEveryNumber) {
    std::mt19937 rng(5162001);
    for (int sample = 0; sample < 80; ++sample) {
        const auto pieces = testing::RandomPieces(rng);
        const std::string plain =
            PlainPart(pieces.version, pieces.best, pieces.average, pieces.date);
        for (int r = 10; r <= 99; ++r) {
            const auto check = CheckSubmission(TextFor(plain, r));
            ASSERT_TRUE(check.valid)
                << ::testing::PrintToString(plain) << " r " << r << ": " << check.reason;
            EXPECT_EQ(check.version, pieces.version);
            EXPECT_EQ(check.best, pieces.best);
            EXPECT_EQ(check.average, pieces.average);
            EXPECT_EQ(check.date, pieces.date);
        }
    }
}

TEST(CheckSubmission, AcceptsTextsBuiltFromDraws) {
    std::mt19937 rng(1158);
    std::uniform_real_distribution<float> draw(0.0f, 1.0f);
    for (int sample = 0; sample < 200; ++sample) {
        const auto pieces = testing::RandomPieces(rng);
        const float u = std::min(draw(rng), 0x1.fffffep-1f);
        const std::string text =
            BuildSubmissionText(pieces.version, pieces.best, pieces.average, pieces.date, u);
        EXPECT_TRUE(CheckSubmission(text).valid) << ::testing::PrintToString(text);
    }
}

TEST(CheckSubmission, RefusesEverySingleChangedCodeCharacter) {
    static const std::string kCodeCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    constexpr int kTexts = 60;
    std::mt19937 rng(200105);
    int refused = 0;
    for (int sample = 0; sample < kTexts; ++sample) {
        const auto pieces = testing::RandomPieces(rng);
        // Numbers spread over every tens digit, so both random-digit positions are changed at
        // every place they can stand.
        const int r = 10 + (3 * sample) % 90 + sample / 30;
        const std::string text =
            TextFor(PlainPart(pieces.version, pieces.best, pieces.average, pieces.date), r);
        for (std::size_t position = 1; position <= 40; ++position) {
            for (const char c : kCodeCharacters) {
                const std::string changed = WithCharacter(text, position, c);
                if (changed == text) continue;
                ASSERT_FALSE(CheckSubmission(changed).valid) << ::testing::PrintToString(changed);
                ++refused;
            }
        }
    }
    EXPECT_EQ(refused, kTexts * 40 * 35);
}

TEST(CheckSubmission, AnswersAnyBytes) {
    std::mt19937 rng(42);
    const std::string valid = kFirstText;
    for (int sample = 0; sample < 3000; ++sample) {
        std::string line = testing::RandomBytes(rng, 0, 120, true);
        if (sample % 3 == 1) line = "GY" + line + "x" + valid.substr(valid.size() - 40);
        if (sample % 3 == 2) {
            line = valid;
            const auto at = std::uniform_int_distribution<std::size_t>(0, line.size() - 1)(rng);
            line[at] = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
        }
        const auto check = CheckSubmission(line);
        EXPECT_EQ(check.valid, check.reason.empty()) << ::testing::PrintToString(line);
    }
}

TEST(CheckSubmission, AnswersAVeryLongLine) {
    // Only the first 40 bytes of the plain part seal it, so a long date stays valid.
    const std::string plain = PlainPart("2001.0516.1158", "12", "4.000", std::string(1 << 20, '/'));
    const auto check = CheckSubmission(TextFor(plain, 71));
    EXPECT_TRUE(check.valid) << check.reason;
    EXPECT_EQ(check.date.size(), std::size_t{1} << 20);
    EXPECT_FALSE(CheckSubmission(std::string(1 << 20, 'x')).valid);
}

}  // namespace
}  // namespace gyrolap
