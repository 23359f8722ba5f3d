// SPDX-License-Identifier: MIT
// How a session was played, as a replay finds it: held against what the session really was
// given, for a session recorded as the window records one and for a script written by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <sstream>

#include "scores/intake/DateFacts.h"
#include "scores/intake/PlayFacts.h"
#include "scores/store/Entry.h"
#include "sim/Replay.h"
#include "support/RecordedSession.h"

namespace gyrolap::scores {
namespace {

using testing::RecordSession;
using testing::SessionPlan;

struct Replayed {
    sim::ReplayOutcome outcome;
    PlayFacts facts;
    std::vector<std::string> clipboard;
};

Replayed Replay(const std::string& script) {
    Replayed replayed;
    std::istringstream in(script);
    PlayFactsWatcher watcher;
    sim::ReplayOptions options;
    options.watcher = &watcher;
    options.onClipboard = [&](std::string_view text) { replayed.clipboard.emplace_back(text); };
    replayed.outcome = sim::ReplayThrough(in, options);
    replayed.facts = watcher.facts();
    return replayed;
}

std::int64_t Median(std::vector<std::uint64_t> values) {
    std::sort(values.begin(), values.end());
    return static_cast<std::int64_t>(values[(values.size() + 1) / 2 - 1]);
}

TEST(PlayFacts, AReplayFindsWhatTheRecordedSessionWasGiven) {
    SessionPlan plan;
    plan.hitsPerGame = {3, 12};  // the second game finishes level 1 and goes on into level 2
    plan.reactionMs = 17;
    plan.lateMs = [](std::size_t k) { return static_cast<std::uint64_t>(k % 7 == 0 ? 2 : k % 3); };
    const auto session = RecordSession(plan);
    ASSERT_EQ(session.clipboard.size(), 1u);

    const Replayed replayed = Replay(session.recording);
    ASSERT_TRUE(replayed.outcome.Played()) << replayed.outcome.reason;
    EXPECT_EQ(replayed.clipboard, session.clipboard);
    const PlayFacts& facts = replayed.facts;
    EXPECT_EQ(facts.games, 2u);
    EXPECT_EQ(facts.presses, session.presses);
    EXPECT_EQ(facts.goodPresses, 15u);
    EXPECT_EQ(facts.highestLevel, 2);
    EXPECT_EQ(facts.submits, 1u);
    EXPECT_EQ(facts.finalBoard.lblScores[kBestLabel], "12");

    // Every good press came the same time after the particle reached the ring.
    EXPECT_EQ(facts.reactionMs.Count(), 15u);
    EXPECT_EQ(facts.reactionMs.Min(), 17);
    EXPECT_EQ(facts.reactionMs.Max(), 17);

    // The wake-ups as late as they were made to come.
    const auto& late = session.wakeLateness;
    ASSERT_FALSE(late.empty());
    EXPECT_EQ(facts.wakeLateMs.Count(), late.size());
    EXPECT_EQ(facts.wakeLateMs.Min(),
              static_cast<std::int64_t>(*std::min_element(late.begin(), late.end())));
    EXPECT_EQ(facts.wakeLateMs.Max(), 2);
    EXPECT_EQ(facts.wakeLateMs.Quantile(0.5), Median(late));
    EXPECT_EQ(facts.wakeLateMs.CountOf(0),
              static_cast<std::uint64_t>(std::count(late.begin(), late.end(), 0u)));

    EXPECT_EQ(facts.randoms.count, session.drawn.size());
    const double mean = std::accumulate(session.drawn.begin(), session.drawn.end(), 0.0) /
                        static_cast<double>(session.drawn.size());
    EXPECT_NEAR(facts.randoms.mean, mean, 1e-9);
}

TEST(PlayFacts, AScriptWrittenByHandWakesOnTheVeryMillisecond) {
    // Start, a good press at 4950 (the particle came to the ring at 4900), a miss at 5000.
    const Replayed replayed = Replay(
        "random 0.3 0.7\nat 2000 press\nat 4950 press\nat 5000 press\nat 5100 ok\nend 6800\n");
    ASSERT_TRUE(replayed.outcome.Played()) << replayed.outcome.reason;
    const PlayFacts& facts = replayed.facts;
    EXPECT_EQ(facts.games, 1u);
    EXPECT_EQ(facts.presses, 3u);
    EXPECT_EQ(facts.goodPresses, 1u);
    EXPECT_EQ(facts.reactionMs.Min(), facts.reactionMs.Max());
    ASSERT_GT(facts.wakeLateMs.Count(), 30u);  // two layouts and a run
    EXPECT_EQ(facts.wakeLateMs.CountOf(0), facts.wakeLateMs.Count());
    EXPECT_EQ(facts.randoms.count, 2u);
}

TEST(PlayFacts, TheSpreadKeepsExactQuantilesInFixedMemory) {
    MillisecondSpread spread;
    for (int ms = 100; ms >= 1; --ms) spread.Add(ms);
    EXPECT_EQ(spread.Quantile(0.5), 50);
    EXPECT_EQ(spread.Quantile(0.9), 90);
    EXPECT_EQ(spread.Quantile(0.99), 99);
    EXPECT_DOUBLE_EQ(spread.Mean(), 50.5);
    // A wake-up held back for seconds keeps its own maximum, beyond the buckets.
    spread.Add(90000);
    EXPECT_EQ(spread.Max(), 90000);
    EXPECT_EQ(spread.Quantile(1.0), MillisecondSpread::kTop);
    EXPECT_EQ(spread.Quantile(0.5), 51);
}

TEST(PlayFacts, RandomValuesShowTheirSpread) {
    RandomSpread even, stuck;
    for (int i = 0; i < 1000; ++i) {
        even.Add((i + 0.5) / 1000.0);
        stuck.Add(0.5);
    }
    EXPECT_NEAR(even.mean, 0.5, 1e-9);
    EXPECT_NEAR(even.StdDev(), 0.2887, 1e-3);
    EXPECT_EQ(even.byTenth,
              (std::array<std::uint64_t, 10>{100, 100, 100, 100, 100, 100, 100, 100, 100, 100}));
    EXPECT_EQ(stuck.StdDev(), 0.0);
    EXPECT_EQ(stuck.byTenth[5], 1000u);
}

TEST(DateFacts, TheDateIsHeldAgainstTheDayItCame) {
    using namespace std::chrono;
    const sys_days received = sys_days(year(2026) / December / 10);
    struct Case {
        const char* date;
        std::vector<std::string> readings;
        std::vector<std::int64_t> daysBefore;
        bool future;
    };
    const Case cases[] = {
        {"12/9/2026", {"2026-12-09", "2026-09-12"}, {1, 89}, false},
        {"10.12.2026", {"2026-10-12", "2026-12-10"}, {59, 0}, false},
        // With the year first the month comes next; a clock east of ours: already tomorrow.
        {"2026-12-11", {"2026-12-11"}, {-1}, false},
        {"12/12/2026", {"2026-12-12"}, {-2}, true},
        {"1/2/2027", {"2027-01-02", "2027-02-01"}, {-23, -53}, true},
        {"11/12/2026", {"2026-11-12", "2026-12-11"}, {28, -1}, false},  // one reading is past
        {"5/16/2001", {"2001-05-16"}, {9339}, false},
        {"2/31/2026", {}, {}, false},  // a shape the checker allows, but no day
        {"2026\xE5\xB9\xB4"
         "12\xE6\x9C\x88"
         "13\xE6\x97\xA5",
         {"2026-12-13"},
         {-3},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date);
        const DateFacts facts = FactsOfDate(c.date, received);
        EXPECT_EQ(IsoDay(facts.received), "2026-12-10");
        std::vector<std::string> readings;
        std::vector<std::int64_t> daysBefore;
        for (const DateReading& reading : facts.readings) {
            readings.push_back(IsoDay(reading.day));
            daysBefore.push_back(reading.daysBeforeReceived);
        }
        EXPECT_EQ(readings, c.readings);
        EXPECT_EQ(daysBefore, c.daysBefore);
        EXPECT_EQ(facts.future, c.future);
    }
}

TEST(DateFacts, TheTimeReceivedIsReadFromTheStoredText) {
    using namespace std::chrono;
    EXPECT_EQ(UtcTime("2026-12-10T18:41:07Z"),
              sys_days(year(2026) / December / 10) + hours(18) + minutes(41) + seconds(7));
    EXPECT_EQ(UtcText(sys_days(year(2026) / December / 10) + hours(18) + minutes(41) + seconds(7)),
              "2026-12-10T18:41:07Z");
    for (const char* text : {"2026-02-30T00:00:00Z", "2026-12-10T24:00:00Z", "2026-12-10T18:41:07",
                             "2026-12-10 18:41:07Z", "yesterday", ""})
        EXPECT_EQ(UtcTime(text), std::nullopt) << text;
}

}  // namespace
}  // namespace gyrolap::scores
