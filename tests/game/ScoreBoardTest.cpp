// SPDX-License-Identifier: MIT
// The score board: reading label texts back, the average texts, and entering finished games.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/ScoreBoard.h"

namespace gyrolap {
namespace {

TEST(ScoreBoard, ReadsTheLeadingDecimalNumberOfALabel) {
    struct Case {
        const char* text;
        double value;
    };
    for (const Case& c : std::vector<Case>{{"0", 0},
                                           {"", 0},
                                           {"23", 23},
                                           {"9.333", 9.333},
                                           {".666", 0.666},
                                           {"12abc", 12},
                                           {"abc", 0},
                                           {"  7", 7}})
        EXPECT_DOUBLE_EQ(LabelNumber(c.text), c.value) << c.text;
}

TEST(ScoreBoard, FormatsAveragesWithThreeDecimalsAndNoLeadingZero) {
    EXPECT_EQ(FormatAverage(2.0 / 3), ".667");
    EXPECT_EQ(FormatAverage(1.0 / 3), ".333");
    EXPECT_EQ(FormatAverage(28.0 / 3), "9.333");
    EXPECT_EQ(FormatAverage(30.0 / 3), "10.000");
    EXPECT_EQ(FormatAverage(0), ".000");
    EXPECT_EQ(FormatAverage(181.0 / 3), "60.333");
}

// The labels 1..6 as texts: current, the three best, average, best.
using Labels = std::vector<std::string>;

Labels AfterGames(const std::vector<std::string>& scores,
                  Labels labels = {"0", "0", "0", "0", "0", "0"}) {
    Board board;
    for (int i = 1; i <= 6; ++i)
        board.lblScores[static_cast<std::size_t>(i)] = labels[static_cast<std::size_t>(i - 1)];
    std::int32_t loopIndex = 0;
    for (const std::string& score : scores) {
        board.lblScores[1] = score;
        EnterScore(board, loopIndex);
    }
    return Labels(board.lblScores.begin() + 1, board.lblScores.end());
}

struct BoardCase {
    const char* name;
    std::vector<std::string> scores;
    Labels expected;
};

class EnterScoreTable : public ::testing::TestWithParam<BoardCase> {};

TEST_P(EnterScoreTable, GivesTheBoardPlayersSee) {
    EXPECT_EQ(AfterGames(GetParam().scores), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Games, EnterScoreTable,
    ::testing::Values(
        // Start-up: nothing entered, nothing written, no 7 at the end of "0".
        BoardCase{"Startup", {"0"}, {"0", "0", "0", "0", "0", "0"}},
        BoardCase{"FirstGame", {"7"}, {"7", "7", "0", "0", "2.333", "7"}},
        // 26/3 rounds to 8.667 and is shown cut.
        BoardCase{"ThreeGames", {"11", "10", "5"}, {"5", "11", "10", "5", "8.666", "11"}},
        // An equal score goes in above the entry it equals; the old third drops out.
        BoardCase{
            "EqualGoesAbove", {"11", "10", "5", "10"}, {"10", "11", "10", "10", "10.333", "11"}},
        BoardCase{"BelowThirdChangesNothing",
                  {"11", "10", "5", "4"},
                  {"4", "11", "10", "5", "8.666", "11"}},
        BoardCase{"TwoAloneIsCutThird", {"2"}, {"2", "2", "0", "0", ".666", "2"}},
        // A game lost before any hit leaves the three best alone and rewrites the same average.
        BoardCase{"ZeroAfterGames", {"7", "0"}, {"0", "7", "0", "0", "2.333", "7"}},
        BoardCase{"NewBestOnTop", {"5", "20"}, {"20", "20", "5", "0", "8.333", "20"}},
        BoardCase{"LevelSixScores", {"61", "60", "60"}, {"60", "61", "60", "60", "60.333", "61"}}),
    [](const ::testing::TestParamInfo<BoardCase>& info) { return info.param.name; });

TEST(ScoreBoard, CopiesTextsAsTheyStand) {
    // Texts are moved, not reformatted: a label this program never wrote keeps its spelling.
    const Labels labels = AfterGames({"08"}, {"0", "7", "0", "0", "2.333", "7"});
    EXPECT_EQ(labels, (Labels{"08", "08", "7", "0", "5.000", "08"}));
}

TEST(ScoreBoard, CutsAnAverageEndingInSevenEvenWhenNoScoreIsEntered) {
    // Slot 2 empty, so no average is computed, but the cut still looks at the text shown.
    const Labels labels = AfterGames({"0"}, {"0", "0", "0", "0", "1.667", "0"});
    EXPECT_EQ(labels[4], "1.666");
}

TEST(ScoreBoard, LeavesTheSharedLoopCounterPastTheScan) {
    Board board;
    std::int32_t loopIndex = 17;
    EnterScore(board, loopIndex);
    EXPECT_EQ(loopIndex, 5);
}

}  // namespace
}  // namespace gyrolap
