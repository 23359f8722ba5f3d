// SPDX-License-Identifier: MIT
// A sender's bucket: a minute's worth at once, then one more each 60/N seconds, in bounded
// memory however many senders come.
#include <gtest/gtest.h>

#include "scores/intake/RateLimit.h"

namespace gyrolap::scores {
namespace {

using std::chrono::seconds;

TEST(RateLimit, ABurstOfAMinutesWorthThenOneEachShareOfTheMinute) {
    RateLimit::Clock::time_point now{};
    RateLimit limit(6, 100, [&] { return now; });
    for (int i = 0; i < 6; ++i) EXPECT_EQ(limit.Take("a"), seconds(0)) << i;
    EXPECT_EQ(limit.Take("a"), seconds(10));
    EXPECT_EQ(limit.Take("b"), seconds(0));  // another sender has its own
    now += seconds(4);
    EXPECT_EQ(limit.Take("a"), seconds(6));
    now += seconds(6);
    EXPECT_EQ(limit.Take("a"), seconds(0));
    EXPECT_EQ(limit.Take("a"), seconds(10));
    // Refilled to the burst, never beyond it.
    now += seconds(3600);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(limit.Take("a"), seconds(0)) << i;
    EXPECT_EQ(limit.Take("a"), seconds(10));
}

TEST(RateLimit, NoLimitAtZero) {
    RateLimit limit(0);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(limit.Take("a"), seconds(0));
}

TEST(RateLimit, SendersBeyondTheBoundWaitUntilSomeAreForgotten) {
    RateLimit::Clock::time_point now{};
    RateLimit limit(60, 3, [&] { return now; });
    for (const char* sender : {"a", "b", "c"}) EXPECT_EQ(limit.Take(sender), seconds(0));
    EXPECT_EQ(limit.Take("d"), seconds(1));  // three remembered, none full again yet
    now += seconds(1);                       // full again: forgotten to make room
    EXPECT_EQ(limit.Take("d"), seconds(0));
    EXPECT_EQ(limit.Take("a"), seconds(0));
}

}  // namespace
}  // namespace gyrolap::scores
