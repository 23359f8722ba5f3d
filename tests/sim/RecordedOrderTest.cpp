// SPDX-License-Identifier: MIT
// A recording's lines at the edge of their order, and dates that change in the very millisecond
// of a Submit Score: a line one millisecond earlier than the line before it is refused and one
// in the same millisecond is not, whether the recording is read whole or as it plays; and a
// Submit Score in the millisecond a date changes carries the new date, in a recording and in a
// plain script alike.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "sim/Replay.h"
#include "sim/Script.h"
#include "support/CaseName.h"

namespace gyrolap {
namespace {

// What reading the recording `body` gives: "" when it is accepted, else the reason with its line.
std::string ReadWhole(const std::string& body) {
    std::istringstream in("recorded\n" + body);
    try {
        sim::ParseScript(in);
        return "";
    } catch (const sim::ScriptError& error) {
        return sim::Describe(error);
    }
}

std::string ReadAsItPlays(const std::string& body) {
    std::istringstream in("recorded\n" + body);
    return sim::ReplayThrough(in, {}).reason;
}

struct OrderCase {
    std::string body;    // after the `recorded` line
    std::string reason;  // empty: accepted
};

void PrintTo(const OrderCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.body);
}

class RecordedOrderAtItsEdge : public ::testing::TestWithParam<OrderCase> {};

TEST_P(RecordedOrderAtItsEdge, IsKeptTheSameByBothReaders) {
    EXPECT_EQ(ReadWhole(GetParam().body), GetParam().reason) << GetParam().body;
    EXPECT_EQ(ReadAsItPlays(GetParam().body), GetParam().reason) << GetParam().body;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RecordedOrderAtItsEdge,
    ::testing::Values(
        OrderCase{"at 20 wake\nat 19 snap\nend 30\n",
                  "line 3: time 19 comes before the time of line 2 (20)"},
        OrderCase{"at 20 wake\nat 20 snap\nend 30\n", ""},
        OrderCase{"at 20 wake\nat 19 date 5/17/2001\nend 30\n",
                  "line 3: time 19 comes before the time of line 2 (20)"},
        OrderCase{"at 20 date 5/17/2001\nat 19 wake\nend 30\n",
                  "line 3: time 19 comes before the time of line 2 (20)"},
        OrderCase{"at 20 date 5/17/2001\nat 20 wake\nat 20 date 5/18/2001\nend 30\n", ""},
        // The first `at` line may come at 0; one at 0 after it too.
        OrderCase{"at 0 wake\nat 0 snap\nend 0\n", ""},
        OrderCase{"at 1 wake\nat 0 snap\nend 1\n",
                  "line 3: time 0 comes before the time of line 2 (1)"},
        OrderCase{"at 20 wake\nend 19\n",
                  "line 3: end time 19 comes before the time of line 2 (20)"},
        OrderCase{"at 20 wake\nend 20\n", ""},
        OrderCase{"at 20 wake\nat 25 date 5/17/2001\nend 24\n",
                  "line 4: end time 24 comes before the time of line 3 (25)"},
        OrderCase{"at 20 wake\nat 25 date 5/17/2001\nend 25\n", ""},
        // The biggest time a script may name, and the millisecond before it.
        OrderCase{"at 9007199254740992 wake\nat 9007199254740991 snap\nend 9007199254740992\n",
                  "line 3: time 9007199254740991 comes before the time of line 2 "
                  "(9007199254740992)"},
        OrderCase{"at 9007199254740991 wake\nat 9007199254740992 snap\nend 9007199254740992\n",
                  ""}),
    [](const ::testing::TestParamInfo<OrderCase>& info) {
        return testing::CaseName(info.index,
                                 info.param.reason.empty()
                                     ? "accepted"
                                     : info.param.reason.substr(info.param.reason.find(':') + 2));
    });

// How a script is read: a plain script whole, a recording as it plays (its `recorded` line
// comes first) or whole (its `recorded` line comes after its first value).
enum class Reading { Plain, RecordingAsItPlays, RecordingWhole };

const char* NameOf(Reading reading) {
    switch (reading) {
        case Reading::Plain:
            return "a plain script";
        case Reading::RecordingAsItPlays:
            return "a recording read as it plays";
        case Reading::RecordingWhole:
            return "a recording read whole";
    }
    return "";
}

std::string ScriptOf(Reading reading, const std::string& events) {
    const std::string start = "date 5/16/2001\nrandom 0.5\n";
    switch (reading) {
        case Reading::Plain:
            return start + events;
        case Reading::RecordingAsItPlays:
            return "recorded\n" + start + events;
        case Reading::RecordingWhole:
            return start + "recorded\n" + events;
    }
    return "";
}

struct DateCase {
    const char* name;
    std::string events;
    std::string date;  // the date the submission text carries
    std::vector<Reading> readings;
};

const std::vector<Reading> kEveryReading = {Reading::Plain, Reading::RecordingAsItPlays,
                                            Reading::RecordingWhole};

void PrintTo(const DateCase& c, std::ostream* out) {
    *out << c.name;
}

class DateChangeBesideASubmit : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateChangeBesideASubmit, GivesTheDateOfTheSubmitsMillisecond) {
    const DateCase& c = GetParam();
    for (const Reading reading : c.readings) {
        SCOPED_TRACE(NameOf(reading));
        std::istringstream in(ScriptOf(reading, c.events));
        std::vector<std::string> texts;
        sim::ReplayOptions options;
        options.onClipboard = [&texts](std::string_view text) { texts.emplace_back(text); };
        const sim::ReplayOutcome outcome = sim::ReplayThrough(in, options);
        ASSERT_TRUE(outcome.Played()) << outcome.reason;
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].substr(0, texts[0].size() - 41), "GY2001.0516.1158x0x0x" + c.date);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DateChangeBesideASubmit,
    ::testing::Values(
        DateCase{"in the same millisecond", "at 1000 date 5/17/2001\nat 1000 submit\nend 1100\n",
                 "5/17/2001", kEveryReading},
        DateCase{"a millisecond before", "at 999 date 5/17/2001\nat 1000 submit\nend 1100\n",
                 "5/17/2001", kEveryReading},
        DateCase{"a millisecond after", "at 1000 submit\nat 1001 date 5/17/2001\nend 1100\n",
                 "5/16/2001", kEveryReading},
        // A plain script's date holds from its time on, wherever its line stands.
        DateCase{"in the same millisecond written after",
                 "at 1000 submit\nat 1000 date 5/17/2001\nend 1100\n",
                 "5/17/2001",
                 {Reading::Plain}},
        DateCase{"a millisecond after written before",
                 "at 1001 date 5/17/2001\nat 1000 submit\nend 1100\n",
                 "5/16/2001",
                 {Reading::Plain}}),
    [](const ::testing::TestParamInfo<DateCase>& info) {
        return testing::CaseName(info.index, info.param.name);
    });

}  // namespace
}  // namespace gyrolap
