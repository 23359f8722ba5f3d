// SPDX-License-Identifier: MIT
// Every ball position of every level, reached by playing there, against the drawn figures'
// coordinates written out here by hand: a single moved ball on any track fails.
#include <gtest/gtest.h>

#include <array>

#include "Play.h"

namespace gyrolap::testing {
namespace {

using Track = std::array<Point, 32>;

struct LevelTrack {
    int level;
    Track balls;  // positions 1..32 at [0]..[31], Left and Top in the client area
};

const LevelTrack kTracks[] = {
    {1, {{{180, 347}, {148, 345}, {117, 335}, {88, 320},  {62, 298},  {40, 274},  {25, 242},
          {15, 211},  {13, 180},  {15, 148},  {25, 118},  {40, 89},   {62, 62},   {88, 40},
          {117, 24},  {148, 16},  {180, 12},  {212, 16},  {245, 24},  {274, 40},  {300, 62},
          {322, 89},  {337, 118}, {343, 148}, {347, 180}, {343, 211}, {337, 242}, {322, 270},
          {300, 298}, {274, 320}, {245, 335}, {212, 345}}}},
    {2, {{{183, 319}, {196, 295}, {209, 270}, {222, 245}, {235, 219}, {248, 195}, {261, 171},
          {274, 144}, {287, 119}, {300, 95},  {313, 68},  {321, 40},  {293, 40},  {265, 40},
          {237, 40},  {209, 40},  {181, 40},  {153, 40},  {125, 40},  {97, 40},   {69, 40},
          {41, 40},   {53, 68},   {66, 95},   {79, 119},  {92, 144},  {105, 171}, {118, 195},
          {131, 219}, {144, 245}, {157, 270}, {170, 295}}}},
    {3, {{{176, 267}, {205, 265}, {231, 252}, {255, 233}, {272, 209}, {277, 180}, {278, 152},
          {269, 123}, {254, 98},  {229, 82},  {202, 71},  {173, 67},  {146, 69},  {121, 78},
          {99, 95},   {86, 121},  {82, 148},  {88, 177},  {102, 201}, {125, 219}, {151, 227},
          {178, 226}, {205, 218}, {226, 195}, {228, 168}, {223, 141}, {198, 125}, {170, 121},
          {144, 125}, {134, 152}, {151, 176}, {179, 176}}}},
    {4, {{{176, 202}, {207, 187}, {224, 159}, {216, 130}, {200, 106}, {176, 90},  {144, 74},
          {112, 74},  {86, 92},   {72, 122},  {64, 154},  {64, 186},  {72, 218},  {88, 250},
          {112, 274}, {144, 290}, {176, 294}, {208, 290}, {240, 274}, {264, 250}, {280, 218},
          {288, 186}, {288, 154}, {280, 122}, {266, 92},  {240, 74},  {208, 74},  {176, 90},
          {152, 106}, {136, 130}, {128, 159}, {145, 187}}}},
    {5, {{{180, 220}, {204, 244}, {228, 268}, {260, 284}, {292, 292}, {284, 260}, {268, 228},
          {244, 204}, {220, 180}, {244, 156}, {268, 132}, {284, 100}, {292, 68},  {260, 76},
          {228, 92},  {204, 116}, {180, 140}, {156, 116}, {132, 92},  {100, 76},  {68, 68},
          {76, 100},  {92, 132},  {116, 156}, {140, 180}, {116, 204}, {92, 228},  {76, 260},
          {68, 292},  {100, 284}, {132, 268}, {156, 244}}}},
    {6, {{{178, 185}, {186, 213}, {204, 239}, {230, 256}, {258, 262}, {290, 256}, {316, 239},
          {333, 213}, {338, 185}, {333, 154}, {316, 127}, {290, 110}, {258, 105}, {230, 110},
          {204, 127}, {186, 154}, {178, 185}, {170, 213}, {152, 239}, {126, 256}, {98, 262},
          {68, 256},  {41, 239},  {25, 213},  {19, 185},  {25, 154},  {41, 127},  {68, 110},
          {98, 105},  {126, 110}, {152, 127}, {170, 154}}}},
};

void PrintTo(const LevelTrack& track, std::ostream* out) {
    *out << "level " << track.level;
}

class TrackPositions : public ::testing::TestWithParam<LevelTrack> {};

TEST_P(TrackPositions, EveryBallStandsWhereTheFigureWasDrawn) {
    const LevelTrack& track = GetParam();
    Play play(ManyDraws(200));
    // Reached the honest way, through the tenth hit of each level before it; start-up lays
    // out level 1.
    play.PlayPerfectly(10'000'000, [&] { return play.state().Level == track.level; });
    ASSERT_EQ(play.state().Level, track.level);
    // Let the reveal finish, so nothing is still being placed.
    play.AdvanceTo(play.Now() + 1700);
    for (int i = 1; i <= kBallCount; ++i) {
        const Point& expected = track.balls[static_cast<std::size_t>(i - 1)];
        const Point& shown = play.board().imgBall[static_cast<std::size_t>(i)].pos;
        EXPECT_EQ(shown.left, expected.left) << "level " << track.level << ", ball " << i;
        EXPECT_EQ(shown.top, expected.top) << "level " << track.level << ", ball " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, TrackPositions, ::testing::ValuesIn(kTracks),
                         [](const auto& info) {
                             return "Level" + std::to_string(info.param.level);
                         });

}  // namespace
}  // namespace gyrolap::testing
