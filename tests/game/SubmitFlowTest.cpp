// SPDX-License-Identifier: MIT
// Submit Score on the game's runtime: one text per action press, the clipboard first, then the
// box, and the scores as the board shows them when the text is built.
#include <gtest/gtest.h>

#include <regex>

#include "Play.h"
#include "support/PublishedSubmissions.h"

namespace gyrolap::testing {
namespace {

std::vector<std::string> ClipboardTexts(const std::string& output) {
    std::vector<std::string> texts;
    static const std::regex line(R"(^\d+ clipboard (.*)$)");
    std::istringstream in(output);
    for (std::string text; std::getline(in, text);) {
        std::smatch match;
        if (std::regex_match(text, match, line)) texts.push_back(match[1]);
    }
    return texts;
}

class PublishedText : public ::testing::TestWithParam<PublishedSubmission> {};

// The whole way from the board to the clipboard: the version, the best and average labels,
// the date and the draw all land where the published texts have them.
TEST_P(PublishedText, IsWhatTheGameSendsFromTheSameBoard) {
    const PublishedSubmission& published = GetParam();
    Play play({published.Draw()});
    ASSERT_EQ(published.date, "5/16/2001");  // the stand-in's date
    play.AdvanceTo(1700);
    play.board().lblScores[kBestLabel] = published.best;
    play.board().lblScores[kAverageLabel] = published.average;
    play.Submit(1700);
    EXPECT_EQ(ClipboardTexts(play.Output()), std::vector<std::string>{published.Text()});
}

INSTANTIATE_TEST_SUITE_P(Submissions, PublishedText, ::testing::ValuesIn(kPublishedSubmissions),
                         [](const ::testing::TestParamInfo<PublishedSubmission>& info) {
                             return "Number" + std::to_string(info.param.number);
                         });

TEST(SubmitFlow, TwoClicksWithoutAPressSendTheSameTextAndDrawOnce) {
    Play play({0.5f});  // one value: a second draw would stop the game
    play.Submit(1700);
    play.Ok(1800);
    play.Submit(1900);
    play.Ok(2000);
    const auto texts = ClipboardTexts(play.Output());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], texts[1]);
    EXPECT_EQ(texts[0].substr(0, 31), "GY2001.0516.1158x0x0x5/16/2001x");
    // r = floor(0.5 * 90) + 10 = 55: its digits stand at positions 10 and 20 of the code.
    EXPECT_EQ(texts[0][31 + 9], '5');
    EXPECT_EQ(texts[0][31 + 19], '5');
    // The clipboard comes before the box.
    EXPECT_LT(play.Output().find("clipboard"), play.Output().find("box Validation Code"));
}

TEST(SubmitFlow, AnActionPressInBetweenBuildsANewTextWithANewNumber) {
    Play play({0.5f, 0.0f, 0.25f});
    play.Submit(1700);
    play.Ok(1800);
    play.Press(2000);  // Start: empties the text
    play.Submit(2001);
    const auto texts = ClipboardTexts(play.Output());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0], texts[1]);
    // r = floor(0.25 * 90) + 10 = 32.
    EXPECT_EQ(texts[1][31 + 9], '3');
    EXPECT_EQ(texts[1][31 + 15], '2');
}

TEST(SubmitFlow, AClickDuringAGameSendsTheScoresOfTheGamesBefore) {
    // Game 1: a hit on ball 1, then a miss: the board then reads best 1, average .333.
    Play play({0.0f, 0.0f, 0.0f, 0.9f});
    play.Press(2000);
    play.Press(5100);
    play.Press(5190);
    play.Ok(5300);
    play.AdvanceTo(7000);
    // Game 2 runs; a click mid-run builds from the board as it stands.
    play.Press(7000);
    play.Submit(7250);
    play.Ok(7300);
    // Game 2 is lost by the lap limit, with no action press after the click.
    play.AdvanceTo(12000);
    ASSERT_TRUE(play.MessageOpen());
    play.Ok(12000);
    play.AdvanceTo(14000);
    EXPECT_EQ(play.board().lblScores[5], ".333");
    play.Submit(14000);
    const auto texts = ClipboardTexts(play.Output());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].substr(0, 26), "GY2001.0516.1158x1x.333x5/");
    // Still the same text: nothing emptied it since it was built.
    EXPECT_EQ(texts[1], texts[0]);
}

TEST(SubmitFlow, ItsBoxHoldsTheParticleAndPressesDoNotReachTheWindow) {
    Play play({0.0f, 0.5f});
    play.Press(2000);
    play.Submit(2050);
    EXPECT_TRUE(play.MessageOpen());
    play.Press(2100);
    play.AdvanceTo(2600);
    EXPECT_EQ(play.Shown(), 2);
    EXPECT_EQ(play.board().cmdAction, "Accelerate");
    EXPECT_EQ(play.Output().find("Oops"), std::string::npos);
}

}  // namespace
}  // namespace gyrolap::testing
