// SPDX-License-Identifier: MIT
// Scripts that cannot be read are refused, with the line and what is wrong, before anything runs.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <limits>
#include <sstream>
#include <streambuf>

#include "sim/Script.h"
#include "support/CaseName.h"
#include "support/Sanitized.h"

using gyrolap::Input;
using gyrolap::sim::ParseScript;
using gyrolap::sim::Script;
using gyrolap::sim::ScriptError;
using gyrolap::testing::kSanitized;
using gyrolap::testing::Volume;

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
    // Nothing stands for a snap.
    const std::optional<Input> kinds[] = {Input::Press, Input::Submit, std::nullopt,
                                          Input::MessageClosed};
    const std::uint64_t times[] = {10, 10, 20, 20};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(script.events[i].input, kinds[i]) << i;
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
    std::string text;
    std::size_t line;
    std::string what;
};

class ScriptParseRefuses : public testing::TestWithParam<BadScript> {};

TEST_P(ScriptParseRefuses, WithLineAndReason) {
    const BadScript& bad = GetParam();
    try {
        Parse(bad.text);
        FAIL() << "accepted: " << bad.text;
    } catch (const ScriptError& error) {
        EXPECT_EQ(error.line(), bad.line) << bad.text;
        EXPECT_EQ(std::string(error.what()), bad.what) << ::testing::PrintToString(bad.text);
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
        BadScript{"end 5 6\n", 1, "expected 'end T'"},
        // Words of the script are quoted escaped and shortened.
        BadScript{"jump\x1b[2J\n", 1, "unknown command 'jump\\x1B[2J'"},
        BadScript{std::string("at 5 pr\0ess\nend 1\n", 19), 1, "unknown event 'pr\\x00ess'"},
        BadScript{"at 5 \xE2\x80\xAEsserp\nend 1\n", 1, "unknown event '\\u{202E}sserp'"},
        BadScript{std::string(100, 'w') + "\n", 1,
                  "unknown command '" + std::string(40, 'w') + "...'"},
        BadScript{"random 0.5 0." + std::string(5000, '5') + "\nend 1\n", 1,
                  "malformed random value '0." + std::string(38, '5') + "...'"},
        BadScript{"date " + std::string(5000, '1') + "\nend 1\n", 1,
                  "line is longer than 4096 bytes"},
        BadScript{"at 5 press" + std::string(5000, ' ') + "now\nend 1\n", 1,
                  "line is longer than 4096 bytes"},
        // The lines of recordings.
        BadScript{"at 5 wake now\nend 10\n", 1, "expected 'at T EVENT'"},
        BadScript{"at 5 date\nend 10\n", 1, "expected 'at T date TEXT'"},
        BadScript{"at 5 date  \r\nend 10\n", 1, "expected 'at T date TEXT'"},
        BadScript{"at x date 1/2/2003\nend 10\n", 1, "malformed number 'x'"},
        BadScript{"recorded yes\nend 1\n", 1, "expected 'recorded'"},
        BadScript{"recorded\nend 1\nrecorded\n", 3, "second 'recorded' line (the first is line 1)"},
        BadScript{"recorded\nat 20 press\n# gap\nat 10 snap\nend 30\n", 4,
                  "time 10 comes before the time of line 2 (20)"},
        BadScript{"at 20 date 1/2/2003\nrecorded\nat 10 wake\nend 30\n", 3,
                  "time 10 comes before the time of line 1 (20)"},
        BadScript{"recorded\nat 10 press\nend 30\nat 20 snap\n", 4,
                  "'at' line after the 'end' line (line 3) in a recording"},
        BadScript{"recorded\nat 10 press\nat 40 date 1/2/2003\nend 30\n", 4,
                  "end time 30 comes before the time of line 3 (40)"},
        BadScript{"recorded\nat 40 press\nend 30\nat 50 snap\n", 3,
                  "end time 30 comes before the time of line 2 (40)"}),
    // The case's place in the table, then the first words of what it must say.
    [](const ::testing::TestParamInfo<BadScript>& info) {
        return gyrolap::testing::CaseName(info.index, info.param.what);
    });

TEST(ScriptParse, ReadsTheLinesOfARecording) {
    const Script script = Parse(
        "recorded\n"
        "date 5/16/2001\n"
        "random 0.5\n"
        "at 0 snap\n"
        "at 10 date 5/17/2001\r\n"
        "at 10 press\n"
        "random 0.25\n"
        "at 10 wake\n"
        "at 20 date   17.05.2001 (Do)\n"
        "end 20\n");
    EXPECT_TRUE(script.recorded);
    EXPECT_EQ(script.date, "5/16/2001");
    EXPECT_EQ(script.randoms, (std::vector<float>{0.5f, 0.25f}));
    ASSERT_EQ(script.events.size(), 3u);
    const std::optional<Input> kinds[] = {std::nullopt, Input::Press, Input::WakeUp};
    const std::uint64_t times[] = {0, 10, 10};
    const std::size_t lines[] = {4, 6, 8};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(script.events[i].input, kinds[i]) << i;
        EXPECT_EQ(script.events[i].time, times[i]) << i;
        EXPECT_EQ(script.events[i].line, lines[i]) << i;
    }
    ASSERT_EQ(script.dateChanges.size(), 2u);
    EXPECT_EQ(script.dateChanges[0].time, 10u);
    EXPECT_EQ(script.dateChanges[0].text, "5/17/2001");
    EXPECT_EQ(script.dateChanges[1].time, 20u);
    EXPECT_EQ(script.dateChanges[1].text, "17.05.2001 (Do)");
}

TEST(ScriptParse, APlainScriptSortsEventsAndDatesByTime) {
    const Script script = Parse(
        "at 30 date C\n"
        "at 20 wake\n"
        "at 10 date A\n"
        "at 10 snap\n"
        "at 30 date D\n"
        "at 10 date B\n"
        "end 5\n");
    EXPECT_FALSE(script.recorded);
    ASSERT_EQ(script.dateChanges.size(), 4u);
    std::string order;
    for (const auto& change : script.dateChanges) order += change.text;
    EXPECT_EQ(order, "ABCD");
    ASSERT_EQ(script.events.size(), 2u);
    EXPECT_EQ(script.events[0].line, 4u);
    EXPECT_EQ(script.events[1].line, 2u);
}

// A script made as it is read: `head`, then `count` copies of `middle`, then `tail`; nothing
// of it is held in full.
class GeneratedScript : public std::streambuf {
  public:
    GeneratedScript(std::string head, std::string middle, std::size_t count, std::string tail)
        : head_(std::move(head)),
          middle_(std::move(middle)),
          count_(count),
          tail_(std::move(tail)) {}

  protected:
    int_type underflow() override {
        if (!head_.empty()) {
            Serve(head_);
            head_.clear();
        } else if (count_ > 0) {
            chunk_.clear();
            while (count_ > 0 && chunk_.size() < 60000) {
                chunk_ += middle_;
                --count_;
            }
            setg(chunk_.data(), chunk_.data(), chunk_.data() + chunk_.size());
        } else if (!tail_.empty()) {
            Serve(tail_);
            tail_.clear();
        } else {
            return traits_type::eof();
        }
        return traits_type::to_int_type(*gptr());
    }

  private:
    void Serve(const std::string& text) {
        chunk_ = text;
        setg(chunk_.data(), chunk_.data(), chunk_.data() + chunk_.size());
    }

    std::string head_, middle_;
    std::size_t count_;
    std::string tail_;
    std::string chunk_;
};

// The process's peak so far: ctest runs each test in a process of its own, so a rise in it is
// this test's own.
long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(ScriptParse, MemoryFollowsTheValuesNotTheLengthOfTheText) {
    // 128 MiB of text on one random line give 2 Mi values: 8 MiB as floats.
    const std::string value = "0." + std::string(60, '5') + "0 ";
    ASSERT_EQ(value.size(), 64u);
    const std::size_t count = Volume(std::size_t{2} << 20);
    const long before = PeakResidentKiB();
    GeneratedScript source("random", " " + value, count, "\nend 1\n");
    std::istream in(&source);
    const Script script = ParseScript(in);
    const long grown = PeakResidentKiB() - before;
    EXPECT_EQ(script.randoms.size(), count);
    EXPECT_EQ(script.randoms.back(), script.randoms.front());
    // Keeping the line would cost its 128 MiB at least; the values with the vector's spare
    // room cost at most 16 MiB.
    if (!kSanitized) {
        EXPECT_LT(grown, 32 * 1024) << "peak resident memory grew by " << grown << " KiB";
    }
}

TEST(ScriptParse, AnUnknownWordOfAQuarterGigabyteIsRefusedInFlatMemory) {
    const long before = PeakResidentKiB();
    // 4096 pieces of 64 KiB; a tenth of them, still past the bound, under a sanitizer.
    GeneratedScript source("", std::string(1 << 16, 'w'), Volume(4096), "\nend 1\n");
    std::istream in(&source);
    try {
        ParseScript(in);
        FAIL() << "accepted";
    } catch (const ScriptError& error) {
        EXPECT_EQ(error.line(), 1u);
        EXPECT_EQ(std::string(error.what()), "unknown command '" + std::string(40, 'w') + "...'");
    }
    const long grown = PeakResidentKiB() - before;
    EXPECT_LT(grown, 16 * 1024) << "peak resident memory grew by " << grown << " KiB";
}

}  // namespace
