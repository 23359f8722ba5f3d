// SPDX-License-Identifier: MIT
// Centring a window's outer frame on a screen: odd differences round down the same way on
// every screen, a screen left of or above the primary one included, and nothing is clamped.
#include <gtest/gtest.h>

#include "ui/Centring.h"

namespace gyrolap {
namespace {

struct Centring {
    QRect area;
    QSize outer;
    QPoint topLeft;
    const char* name;
};

class Centrings : public ::testing::TestWithParam<Centring> {};

TEST_P(Centrings, PutTheFrameMiddleOnTheScreenMiddle) {
    EXPECT_EQ(CentredTopLeft(GetParam().area, GetParam().outer), GetParam().topLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, Centrings,
    ::testing::Values(
        // The game window on a 1024 x 768 screen: (1024 - 555) / 2 = 234.5 rounds down.
        Centring{{0, 0, 1024, 768}, {555, 416}, {234, 176}, "GameWindow"},
        // The same on a screen left of and above the primary one: -1024 + 234.5 is -789.5,
        // which rounds down to -790, not towards zero.
        Centring{{-1024, -768, 1024, 768}, {555, 416}, {-790, -592}, "LeftOfAndAbovePrimary"},
        // A screen smaller than the window: it hangs off the top left, unclamped, and -117.5
        // rounds down too.
        Centring{{0, 0, 320, 240}, {555, 416}, {-118, -88}, "SmallerThanTheWindow"}),
    [](const ::testing::TestParamInfo<Centring>& info) { return info.param.name; });

}  // namespace
}  // namespace gyrolap
