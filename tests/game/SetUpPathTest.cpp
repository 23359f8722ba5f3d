// SPDX-License-Identifier: MIT
// Laying out each level: the ring, the label, the marker, the lap limit and the ring flags, and
// the animation that reveals the balls 50 ms apart.
#include <gtest/gtest.h>

#include "Play.h"
#include "game/PlaceLevel.h"

namespace gyrolap::testing {
namespace {

// Lays out `level` after start-up and lets its animation finish.
void LayOut(Play& play, int level) {
    play.AdvanceTo(play.Now() + 1700);
    play.state().Level = static_cast<std::int16_t>(level);
    play.game().scheduler().Start(play.game().SetUpPath());
    play.AdvanceTo(play.Now() + 1600);
}

std::vector<int> RingPositions(const GameState& s) {
    std::vector<int> rings;
    for (int i = 0; i <= kBallCount; ++i)
        if (s.RingFlags[static_cast<std::size_t>(i)]) rings.push_back(i);
    return rings;
}

struct LevelCase {
    int level;
    Point ring;
    Point label;
    Point marker;
    int pathLength;
    std::vector<int> rings;
    Point ballOne;
};

class Layout : public ::testing::TestWithParam<LevelCase> {};

TEST_P(Layout, PlacesTheRingLabelMarkerAndFlags) {
    const LevelCase& c = GetParam();
    Play play({});
    LayOut(play, c.level);
    EXPECT_EQ(play.board().imgTarget, c.ring);
    EXPECT_EQ(play.board().lblScoreTempPos, c.label);
    EXPECT_EQ(play.board().shapeCurrentPath, c.marker);
    EXPECT_EQ(play.state().PathLength, c.pathLength);
    EXPECT_EQ(RingPositions(play.state()), c.rings);
    EXPECT_EQ(play.board().imgBall[1].pos, c.ballOne);
    // Every ball shown with the colour wave, and no hits counted.
    for (int i = 1; i <= kBallCount; ++i) {
        const BallView& ball = play.board().imgBall[static_cast<std::size_t>(i)];
        EXPECT_TRUE(ball.visible) << i;
        EXPECT_EQ(ball.picture, ColourWaveAt(i)) << i;
    }
    EXPECT_EQ(play.state().HitCount, 0.0f);
}

// The placement alone, on a board that has seen no level yet: it moves things, and leaves
// whether a ball shows and its picture to whoever calls it.
TEST_P(Layout, PlaceLevelAloneGivesTheSamePlaces) {
    const LevelCase& c = GetParam();
    Board board;
    board.imgBall[3].visible = false;
    board.imgBall[3].picture = 7;
    GameState state;
    state.RingFlags[5] = true;  // left from an earlier level
    PlaceLevel(board, state, *LayoutForLevel(c.level));
    EXPECT_EQ(board.imgTarget, c.ring);
    EXPECT_EQ(board.lblScoreTempPos, c.label);
    EXPECT_EQ(board.shapeCurrentPath, c.marker);
    EXPECT_EQ(state.PathLength, c.pathLength);
    EXPECT_EQ(RingPositions(state), c.rings);
    EXPECT_EQ(board.imgBall[1].pos, c.ballOne);
    EXPECT_FALSE(board.imgBall[3].visible);
    EXPECT_EQ(board.imgBall[3].picture, 7);
    EXPECT_TRUE(board.imgBall[4].visible);
    EXPECT_EQ(board.imgBall[4].picture, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, Layout,
    ::testing::Values(LevelCase{1, {176, 344}, {182, 354}, {421, 176}, 32, {1}, {180, 347}},
                      LevelCase{2, {179, 316}, {185, 326}, {453, 176}, 32, {1}, {183, 319}},
                      LevelCase{3, {175, 173}, {181, 183}, {485, 176}, 32, {32}, {176, 267}},
                      LevelCase{4, {172, 199}, {178, 209}, {420, 208}, 32, {1}, {176, 202}},
                      LevelCase{5, {176, 217}, {182, 227}, {453, 208}, 32, {1}, {180, 220}},
                      LevelCase{6, {174, 182}, {180, 192}, {485, 208}, 16, {1, 17}, {178, 185}}),
    [](const ::testing::TestParamInfo<LevelCase>& info) {
        return "Level" + std::to_string(info.param.level);
    });

TEST(Layout, SharedPointsAndTheTriangleTopEdge) {
    Play play({});
    LayOut(play, 4);
    EXPECT_EQ(play.board().imgBall[6].pos, (Point{176, 90}));
    EXPECT_EQ(play.board().imgBall[28].pos, (Point{176, 90}));
    LayOut(play, 6);
    EXPECT_EQ(play.board().imgBall[17].pos, play.board().imgBall[1].pos);
    LayOut(play, 2);
    const int lefts[] = {321, 293, 265, 237, 209, 181, 153, 125, 97, 69, 41};
    for (int i = 12; i <= 22; ++i) {
        EXPECT_EQ(play.board().imgBall[static_cast<std::size_t>(i)].pos, (Point{lefts[i - 12], 40}))
            << i;
    }
}

TEST(Layout, NoFlagOfAnEarlierLevelSurvives) {
    Play play({});
    LayOut(play, 6);
    LayOut(play, 1);
    EXPECT_EQ(RingPositions(play.state()), std::vector<int>{1});
    LayOut(play, 3);
    LayOut(play, 4);
    EXPECT_EQ(RingPositions(play.state()), std::vector<int>{1});
}

TEST(Layout, EveryTrackFitsTheField) {
    Play play({});
    for (int level = 1; level <= 6; ++level) {
        LayOut(play, level);
        for (int i = 1; i <= kBallCount; ++i) {
            const Point p = play.board().imgBall[static_cast<std::size_t>(i)].pos;
            EXPECT_GE(p.left, 12);
            EXPECT_LE(p.left, 347);
            EXPECT_GE(p.top, 12);
            EXPECT_LE(p.top, 347);
        }
    }
}

TEST(Layout, ALevelOutsideOneToSixKeepsThePreviousTrack) {
    for (int level : {0, 7}) {
        Play play({});
        LayOut(play, 3);
        const Board before = play.board();
        const std::uint8_t pathLength = play.state().PathLength;
        play.state().HitCount = 4;
        LayOut(play, level);
        EXPECT_EQ(play.board().imgTarget, before.imgTarget);
        EXPECT_EQ(play.board().shapeCurrentPath, before.shapeCurrentPath);
        EXPECT_EQ(play.state().PathLength, pathLength);
        EXPECT_EQ(RingPositions(play.state()), std::vector<int>{32});
        for (int i = 1; i <= kBallCount; ++i) {
            EXPECT_EQ(play.board().imgBall[static_cast<std::size_t>(i)].pos,
                      before.imgBall[static_cast<std::size_t>(i)].pos);
            EXPECT_TRUE(play.board().imgBall[static_cast<std::size_t>(i)].visible);
        }
        EXPECT_EQ(play.state().HitCount, 0.0f);
    }
}

TEST(Layout, TheAnimationShowsOneBallEvery50Ms) {
    Play play({});
    // Start-up: ball 1 at 0 ms, ball k at 50 (k - 1) ms, in the colours of the wave.
    for (int k = 1; k <= kBallCount; ++k) {
        const auto shownAt = 50 * static_cast<std::uint64_t>(k - 1);
        const auto ball = static_cast<std::size_t>(k);
        if (k > 1) {
            play.AdvanceTo(shownAt - 1);
            EXPECT_FALSE(play.board().imgBall[ball].visible) << k;
        }
        play.AdvanceTo(shownAt);
        EXPECT_TRUE(play.board().imgBall[ball].visible) << k;
        EXPECT_EQ(play.board().imgBall[ball].picture, ColourWaveAt(k)) << k;
    }
    EXPECT_EQ(play.board().lblScoreTemp, "");
    EXPECT_FALSE(play.game().scheduler().Idle());
    play.AdvanceTo(1599);
    EXPECT_FALSE(play.game().scheduler().Idle());
    play.AdvanceTo(1600);
    EXPECT_TRUE(play.game().scheduler().Idle());
}

}  // namespace
}  // namespace gyrolap::testing
