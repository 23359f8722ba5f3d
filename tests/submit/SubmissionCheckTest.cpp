// SPDX-License-Identifier: MIT
// The checker of received submission lines: what it accepts, what it refuses and why, and that
// every line gets an answer. The seal alone is tested over any pieces; the whole check over the
// texts the game itself builds.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "game/Board.h"
#include "game/GameState.h"
#include "game/ScoreBoard.h"
#include "submit/SubmissionCheck.h"
#include "submit/ValidationCode.h"
#include "support/CaseName.h"
#include "support/PublishedSubmissions.h"
#include "tests/submit/GeneratedSubmissions.h"

namespace gyrolap {
namespace {

using testing::kPublishedSubmissions;
using testing::PublishedSubmission;

const std::string kFirstText = kPublishedSubmissions[0].Text();
const std::string kThirdText = kPublishedSubmissions[2].Text();

// The text for a plain part with the random number r.
std::string TextFor(const std::string& plain, int r) {
    return plain + kSubmissionSeparator + EncodeValidationCode(plain, r);
}

class PublishedTexts : public ::testing::TestWithParam<PublishedSubmission> {};

TEST_P(PublishedTexts, AreValidAndGiveTheirPieces) {
    const PublishedSubmission& published = GetParam();
    const auto check = CheckSubmission(published.Text());
    EXPECT_TRUE(check.valid) << check.reason;
    EXPECT_EQ(check.reason, "");
    EXPECT_EQ(check.version, "2001.0516.1158");
    EXPECT_EQ(check.best, published.best);
    EXPECT_EQ(check.average, published.average);
    EXPECT_EQ(check.date, published.date);
    EXPECT_EQ(check.text, published.Text());
}

INSTANTIATE_TEST_SUITE_P(Submissions, PublishedTexts, ::testing::ValuesIn(kPublishedSubmissions),
                         [](const ::testing::TestParamInfo<PublishedSubmission>& info) {
                             return "Number" + std::to_string(info.param.number);
                         });

TEST(CheckSeal, DateKeepsItsOwnSeparators) {
    const auto check = CheckSeal(TextFor(PlainPart("2001.0516.1158", "3", ".667", "16x05x01"), 33));
    EXPECT_TRUE(check.valid) << check.reason;
    EXPECT_EQ(check.average, ".667");
    EXPECT_EQ(check.date, "16x05x01");
}

TEST(CheckSubmission, ToleratesSurroundingBlanksAndTrailingCarriageReturn) {
    // An editor may save a byte order mark, or put a no-break space, in front of the text.
    for (const std::string before :
         {"", " ", "\t", "  \t ", "\xEF\xBB\xBF", "\xC2\xA0", "\xEF\xBB\xBF \xC2\xA0"}) {
        for (const std::string after :
             {"", "\r", " ", "\t\r", " \r", "\r ", "\n", "\r\n", "\xC2\xA0"}) {
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

const std::string& kFirst = kFirstText;
const std::string kNoCode =
    "no validation code: the text must end in \"x\" and the 40-character code";
const std::string kUnreadable = "unreadable random digits in the validation code";
const std::string kMismatch = "validation code does not match the text";

std::string WithCharacter(std::string text, std::size_t codePosition, char c) {
    text[text.size() - kValidationCodeLength + codePosition - 1] = c;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, Refusals,
    ::testing::Values(
        Refusal{"", "empty line, no submission text"},
        Refusal{" \t \r", "empty line, no submission text"},
        Refusal{std::string(kPublishedSubmissions[0].plain), kNoCode},
        Refusal{std::string(kPublishedSubmissions[0].code), kNoCode},
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
        return gyrolap::testing::CaseName(info.index, info.param.reason);
    });

TEST(CheckSeal, AcceptsEveryTextTheEncoderSealsForEveryNumber) {
    std::mt19937 rng(5162001);
    for (int sample = 0; sample < 80; ++sample) {
        const auto pieces = testing::RandomPieces(rng);
        const std::string plain =
            PlainPart(pieces.version, pieces.best, pieces.average, pieces.date);
        for (int r = 10; r <= 99; ++r) {
            const auto check = CheckSeal(TextFor(plain, r));
            ASSERT_TRUE(check.valid)
                << ::testing::PrintToString(plain) << " r " << r << ": " << check.reason;
            EXPECT_EQ(check.version, pieces.version);
            EXPECT_EQ(check.best, pieces.best);
            EXPECT_EQ(check.average, pieces.average);
            EXPECT_EQ(check.date, pieces.date);
        }
    }
}

TEST(CheckSeal, AcceptsTextsBuiltFromDraws) {
    std::mt19937 rng(1158);
    std::uniform_real_distribution<float> draw(0.0f, 1.0f);
    for (int sample = 0; sample < 200; ++sample) {
        const auto pieces = testing::RandomPieces(rng);
        const float u = std::min(draw(rng), 0x1.fffffep-1f);
        const std::string text =
            BuildSubmissionText(pieces.version, pieces.best, pieces.average, pieces.date, u);
        EXPECT_TRUE(CheckSeal(text).valid) << ::testing::PrintToString(text);
    }
}

TEST(CheckSeal, RefusesEverySingleChangedCodeCharacter) {
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
                ASSERT_FALSE(CheckSeal(changed).valid) << ::testing::PrintToString(changed);
                ++refused;
            }
        }
    }
    EXPECT_EQ(refused, kTexts * 40 * 35);
}

TEST(CheckSubmission, AnswersAnyBytes) {
    std::mt19937 rng(42);
    const std::string& valid = kFirstText;
    for (int sample = 0; sample < 3000; ++sample) {
        std::string line = testing::RandomBytes(rng, 0, 120, true);
        if (sample % 3 == 1) {
            line = std::string(kSubmissionPrefix) + line + kSubmissionSeparator +
                   std::string(kPublishedSubmissions[0].code);
        }
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
    // Only the first 40 bytes of the plain part seal it, so a long date keeps the seal; but no
    // date the game writes looks like this.
    const std::string plain = PlainPart("2001.0516.1158", "12", "4.000", std::string(1 << 20, '/'));
    const auto sealed = CheckSeal(TextFor(plain, 71));
    EXPECT_TRUE(sealed.valid) << sealed.reason;
    EXPECT_EQ(sealed.date.size(), std::size_t{1} << 20);
    EXPECT_EQ(CheckSubmission(TextFor(plain, 71)).reason,
              "date is longer than 32 bytes: no locale writes a short date that long");
    EXPECT_FALSE(CheckSubmission(std::string(1 << 20, 'x')).valid);
}

// Texts sealed with a good code whose pieces the game can never write: each refused for its
// own reason.
struct FieldRefusal {
    std::string best;
    std::string average;
    std::string date;
    std::string reason;
    std::string version = kVersionText;
};

class FieldRefusals : public ::testing::TestWithParam<FieldRefusal> {};

TEST_P(FieldRefusals, SayWhy) {
    const FieldRefusal& f = GetParam();
    const std::string plain = PlainPart(f.version, f.best, f.average, f.date);
    for (const int r : {10, 57, 99}) {
        const std::string text = TextFor(plain, r);
        ASSERT_TRUE(CheckSeal(text).valid) << ::testing::PrintToString(text);
        const auto check = CheckSubmission(text);
        EXPECT_FALSE(check.valid) << ::testing::PrintToString(text);
        EXPECT_EQ(check.reason, f.reason) << ::testing::PrintToString(text);
    }
}

const std::string kBadBest = "best score is not a whole number as the game writes it";
const std::string kBadAverage = "average is not written as the game writes it (#.000)";
const std::string kNotAThird =
    "average is not a sum of three whole scores divided by 3 (.000, .333 or .666)";
const std::string kNotADate = "date is not a day, month and year in digits";
const std::string kControl = "date holds a control or format character";
const std::string kLetter = "date holds a letter: the game writes day, month and year in digits";
const std::string kNoDay = "date names no day of the year (day or month out of range)";

INSTANTIATE_TEST_SUITE_P(
    Reasons, FieldRefusals,
    ::testing::Values(
        FieldRefusal{"0", "0", "5/16/2001", "version is not this game's version (2001.0516.1158)",
                     "1001.0516.1158"},
        FieldRefusal{"0", "0", "5/16/2001", "version is not this game's version (2001.0516.1158)",
                     "2001.0516.1158 "},
        FieldRefusal{"-7", "2.333", "5/16/2001", kBadBest},
        FieldRefusal{".7", "2.333", "5/16/2001", kBadBest},
        FieldRefusal{"07", "2.333", "5/16/2001", kBadBest},
        FieldRefusal{"+7", "2.333", "5/16/2001", kBadBest},
        FieldRefusal{"7.0", "2.333", "5/16/2001", kBadBest},
        FieldRefusal{"\xEF\xBC\x97", "2.333", "5/16/2001", kBadBest},  // a full-width 7
        FieldRefusal{"1000000000", "333333333.333", "5/16/2001", kBadBest},
        FieldRefusal{"7", "5).000", "5/16/2001", kBadAverage},
        FieldRefusal{"7",
                     "2.3\x01"
                     "3",
                     "5/16/2001", kBadAverage},
        FieldRefusal{"7", "2.33", "5/16/2001", kBadAverage},
        FieldRefusal{"7", "2.3333", "5/16/2001", kBadAverage},
        FieldRefusal{"7", "02.333", "5/16/2001", kBadAverage},
        FieldRefusal{"2", "0.666", "5/16/2001", kBadAverage},
        FieldRefusal{"7", "2", "5/16/2001", kBadAverage},
        FieldRefusal{"7", "-2.333", "5/16/2001", kBadAverage},
        // The board cuts a rounded-up third: 8.667 is shown 8.666.
        FieldRefusal{"11", "8.667", "5/16/2001", kNotAThird},
        FieldRefusal{"11", "8.500", "5/16/2001", kNotAThird},
        FieldRefusal{"9", "10.000", "5/16/2001", "average is larger than the best score"},
        FieldRefusal{"27", "8.666", "5/16/2001",
                     "average is smaller than the best score alone gives"},
        FieldRefusal{"0", ".333", "5/16/2001",
                     "average given while the best score is 0: no game has ended"},
        FieldRefusal{"5", "0", "5/16/2001",
                     "average 0 is written only before the first game, with best 0"},
        FieldRefusal{"0", "0", "5I16/2001", kLetter},
        FieldRefusal{"0", "0", "5/16/2001 best=999", kLetter},
        FieldRefusal{"0", "0", "16 May 2001", kLetter},
        FieldRefusal{"0", "0", "5/16\x1b[2J/2001", kControl},
        FieldRefusal{"0", "0", "5/16/2001\x7f", kControl},
        FieldRefusal{"0", "0", "5/16/2001\xC2\x9B", kControl},  // C1 CSI
        FieldRefusal{"0", "0",
                     "\xE2\x80\xAE"
                     "5/16/2001",
                     kControl},                                                 // U+202E
        FieldRefusal{"0", "0", "16\xE2\x80\x8F/5\xE2\x80\x8F/2001", kControl},  // U+200F
        FieldRefusal{"0", "0", "5/16/2001\x9B", "date is not valid UTF-8 text"},
        FieldRefusal{"0", "0", "5/16/2001\xC0\xAF", "date is not valid UTF-8 text"},
        FieldRefusal{"0", "0", "5/16", kNotADate}, FieldRefusal{"0", "0", "5/16/01", kNotADate},
        FieldRefusal{"0", "0", "5/16/20011", kNotADate},
        FieldRefusal{"0", "0", "5/16/2001/7", kNotADate},
        FieldRefusal{"0", "0", "2001/2001/5", kNotADate},
        // Arabic-Indic digits: the game writes ASCII digits in every locale.
        FieldRefusal{"0", "0", "\xD9\xA5/\xD9\xA1\xD9\xA6/\xD9\xA2\xD9\xA0\xD9\xA0\xD9\xA1",
                     kNotADate},
        FieldRefusal{"0", "0", "13/13/2001", kNoDay}, FieldRefusal{"0", "0", "0/16/2001", kNoDay},
        FieldRefusal{"0", "0", "5/32/2001", kNoDay},
        FieldRefusal{"0", "0", "5/16/0001",
                     "date's year is before 1970, earlier than any system clock"}));

TEST(CheckSubmission, TakesADateUpToItsBoundAndNoLonger) {
    // Filled with separators, or with two-byte letters that the board draws wide.
    for (const std::string& filler : {std::string("/"), std::string("\xD0\xA8")}) {
        std::string date = "5/16/2001";
        while (date.size() + filler.size() <= kMostDateBytes) date += filler;
        const std::string longer = date + std::string(kMostDateBytes + 1 - date.size(), '/');
        ASSERT_LE(date.size(), kMostDateBytes);
        ASSERT_EQ(longer.size(), kMostDateBytes + 1);
        for (const int r : {10, 57}) {
            const auto taken = CheckSubmission(TextFor(PlainPart(kVersionText, "0", "0", date), r));
            EXPECT_TRUE(taken.valid) << taken.reason;
            EXPECT_EQ(taken.date, date);
            const auto refused =
                CheckSubmission(TextFor(PlainPart(kVersionText, "0", "0", longer), r));
            EXPECT_FALSE(refused.valid);
            EXPECT_EQ(refused.reason,
                      "date is longer than 32 bytes: no locale writes a short date that long");
        }
    }
}

// The game's own board after a run of games: each score entered as a reset enters it.
Board BoardAfter(const std::vector<int>& scores) {
    Board board;
    std::int32_t loopIndex = 0;
    EnterScore(board, loopIndex);  // start-up
    for (const int score : scores) {
        board.lblScores[1] = FormatScore(score);
        EnterScore(board, loopIndex);
    }
    return board;
}

// Short dates in the shapes the user's locale gives them, with ASCII digits and the year in
// full, as the window writes them.
std::vector<std::string> DatesFor(int year, int month, int day) {
    const std::string y = std::to_string(year), m = std::to_string(month), d = std::to_string(day);
    const std::string mm = (month < 10 ? "0" : "") + m, dd = (day < 10 ? "0" : "") + d;
    return {m + "/" + d + "/" + y,                  // en_US
            dd + "." + mm + "." + y,                // de_DE
            dd + "/" + mm + "/" + y,                // en_GB
            d + "/" + m + "/" + y,                  // ar_EG, marks left out
            y + "/" + m + "/" + d,                  // fa_IR, zh_CN
            y + "-" + mm + "-" + dd,                // sv_SE
            y + ". " + mm + ". " + dd + ".",        // hu_HU
            d + "." + mm + "." + y + " \xD0\xB3.",  // bg_BG
            dd + "/" + mm + " " + y,                // a locale with two separators
            d + " " + mm + " " + y};                // the C locale, month as a number
}

TEST(CheckSubmission, AcceptsEveryTextTheGameBuilds) {
    std::mt19937 rng(20010516);
    std::uniform_real_distribution<float> draw(0.0f, 1.0f);
    std::uniform_int_distribution<int> score(0, 160);
    int checked = 0;
    for (int run = 0; run < 120; ++run) {
        // A run of games, a few scored high, and the board after each one.
        std::vector<int> scores;
        const int games = std::uniform_int_distribution<int>(0, 6)(rng);
        for (int g = 0; g < games; ++g)
            scores.push_back(run % 10 == 0 ? score(rng) * 61 : score(rng));
        const Board board = BoardAfter(scores);
        const int year = std::uniform_int_distribution<int>(1970, 2099)(rng);
        const int month = std::uniform_int_distribution<int>(1, 12)(rng);
        const int day = std::uniform_int_distribution<int>(1, 28)(rng);
        for (const std::string& date : DatesFor(year, month, day)) {
            const float u = std::min(draw(rng), 0x1.fffffep-1f);
            const std::string text =
                BuildSubmissionText(kVersionText, board.lblScores[6], board.lblScores[5], date, u);
            const auto check = CheckSubmission(text);
            ASSERT_TRUE(check.valid) << ::testing::PrintToString(text) << ": " << check.reason;
            EXPECT_EQ(check.best, board.lblScores[6]);
            EXPECT_EQ(check.average, board.lblScores[5]);
            EXPECT_EQ(check.date, date);
            ++checked;
        }
    }
    EXPECT_EQ(checked, 1200);
}

TEST(CheckSubmission, AcceptsEveryAverageABoardCanShow) {
    // Every board of three best scores up to 60, entered in any order the games can take.
    for (int a = 1; a <= 60; ++a) {
        for (int b = 0; b <= a; ++b) {
            for (int c = 0; c <= b; ++c) {
                const Board board = BoardAfter({c, a, b});
                const std::string plain =
                    PlainPart(kVersionText, board.lblScores[6], board.lblScores[5], "5/16/2001");
                const auto check = CheckSubmission(TextFor(plain, 10 + (a + b + c) % 90));
                ASSERT_TRUE(check.valid) << plain << ": " << check.reason;
            }
        }
    }
}

TEST(CheckSubmission, RefusesEveryForeignByteInTheGenuineTexts) {
    // Whatever a changed byte does to the code, a version the game is not, or a control, a
    // letter or a byte outside ASCII in the numbers or the date is never valid.
    for (const std::string& text : {kFirstText, kThirdText}) {
        const std::size_t plainEnd = text.size() - 41;
        for (std::size_t at = 2; at < plainEnd; ++at) {
            for (int value = 0; value < 256; ++value) {
                const char c = static_cast<char>(value);
                if (c == text[at] || c == '\n' || c == '\r') continue;
                const bool inVersion = at < 16;
                const bool foreign = value < 0x20 || value >= 0x7F || (c >= 'A' && c <= 'Z') ||
                                     (c >= 'a' && c <= 'z' && c != 'x');
                if (!inVersion && !foreign) continue;
                std::string changed = text;
                changed[at] = c;
                EXPECT_FALSE(CheckSubmission(changed).valid) << ::testing::PrintToString(changed);
            }
        }
    }
}

}  // namespace
}  // namespace gyrolap
