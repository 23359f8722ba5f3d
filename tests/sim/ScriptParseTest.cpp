// Scripts that cannot be read are refused, with the line and what is wrong, before anything runs.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "sim/Script.h"

using gyrolap::sim::EventKind;
using gyrolap::sim::ParseScript;
using gyrolap::sim::Script;
using gyrolap::sim::ScriptError;

namespace {

Script Parse(const std::string& text) {
    std::istringstream in(text);
    return ParseScript(in);
}

TEST(ScriptParse, ReadsEverySetting) {
    const Script script = Parse(
        "# comment\n"
        "\n"
        "   \t\n"
        "clock 4294967295\n"
        "date 16.05.2001 (Mi)\r\n"
        "random 0.5 0 0.25\n"
        "random 0.999999\n"
        "at 20 snap\n"
        "at 10 press\n"
        "at 20 ok\n"
        "at 10 submit\n"
        "end 30\n");
    EXPECT_EQ(script.clock, std::numeric_limits<std::uint32_t>::max());
    EXPECT_EQ(script.date, "16.05.2001 (Mi)");
    EXPECT_EQ(script.randoms, (std::vector<float>{0.5f, 0.0f, 0.25f, 0.999999f}));
    EXPECT_EQ(script.end, 30u);
    // Sorted by time; within one millisecond the script's order stands.
    ASSERT_EQ(script.events.size(), 4u);
    const EventKind kinds[] = {EventKind::Press, EventKind::Submit, EventKind::Snap, EventKind::Ok};
    const std::uint64_t times[] = {10, 10, 20, 20};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(script.events[i].kind, kinds[i]) << i;
        EXPECT_EQ(script.events[i].time, times[i]) << i;
    }
}

TEST(ScriptParse, DefaultsWhenNotGiven) {
    const Script script = Parse("end 0\n");
    EXPECT_EQ(script.clock, 0u);
    EXPECT_EQ(script.date, "5/16/2001");
    EXPECT_TRUE(script.randoms.empty());
    EXPECT_TRUE(script.events.empty());
}

struct BadScript {
    const char* text;
    std::size_t line;
    const char* what;
};

class ScriptParseRefuses : public testing::TestWithParam<BadScript> {};

TEST_P(ScriptParseRefuses, WithLineAndReason) {
    const BadScript& bad = GetParam();
    try {
        Parse(bad.text);
        FAIL() << "accepted: " << bad.text;
    } catch (const ScriptError& error) {
        EXPECT_EQ(error.line(), bad.line) << bad.text;
        EXPECT_EQ(std::string(error.what()), bad.what) << bad.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScriptParseRefuses,
    testing::Values(
        BadScript{"jump 5\nend 10\n", 1, "unknown command 'jump'"},
        BadScript{"at 5 click\nend 10\n", 1, "unknown event 'click'"},
        BadScript{"at -5 press\nend 10\n", 1, "negative number '-5'"},
        BadScript{"at 5x press\nend 10\n", 1, "malformed number '5x'"},
        BadScript{"at 1.5 press\nend 10\n", 1, "malformed number '1.5'"},
        BadScript{"at +5 press\nend 10\n", 1, "malformed number '+5'"},
        BadScript{"at 5\nend 10\n", 1, "expected 'at T EVENT'"},
        BadScript{"at 5 press now\nend 10\n", 1, "expected 'at T EVENT'"},
        BadScript{"clock 4294967296\nend 1\n", 1, "number '4294967296' is too large"},
        BadScript{"clock -1\nend 1\n", 1, "negative number '-1'"},
        BadScript{"clock\nend 1\n", 1, "expected 'clock N'"},
        BadScript{"clock 1\nclock 2\nend 1\n", 2, "second 'clock' line (the first is line 1)"},
        BadScript{"end 99999999999999999999999\n", 1,
                  "number '99999999999999999999999' is too large"},
        BadScript{"random 0.5 1\nend 1\n", 1, "random value '1' is outside [0, 1)"},
        BadScript{"random -0.5\nend 1\n", 1, "random value '-0.5' is outside [0, 1)"},
        // As a 32-bit float this is 1.0.
        BadScript{"random 0.99999999\nend 1\n", 1, "random value '0.99999999' is outside [0, 1)"},
        BadScript{"random nan\nend 1\n", 1, "random value 'nan' is outside [0, 1)"},
        BadScript{"random half\nend 1\n", 1, "malformed random value 'half'"},
        BadScript{"random\nend 1\n", 1, "expected 'random U U ...' with at least one value"},
        BadScript{"at 5 press\n", 2, "no 'end' line"}, BadScript{"", 1, "no 'end' line"},
        BadScript{"end 5\n\nend 6\n", 3, "second 'end' line (the first is line 1)"},
        BadScript{"end 5 6\n", 1, "expected 'end T'"}),
    // The case's place in the table, then the first words of what it must say.
    [](const ::testing::TestParamInfo<BadScript>& info) {
        std::string name = "Case" + std::to_string(info.index);
        bool gap = true;
        for (const char c : std::string(info.param.what)) {
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

}  // namespace
