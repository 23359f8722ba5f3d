// SPDX-License-Identifier: MIT
// The lines a recording is made of, as the game is heard: settings first, each input and
// wake-up with its time, each value drawn as the shortest text that reads back the same, and a
// date only when it changes.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "sim/ScriptSource.h"
#include "sim/ScriptWriter.h"

namespace gyrolap {
namespace {

struct Written {
    std::vector<std::string> lines;
    sim::ScriptWriter writer{[this](std::string line) { lines.push_back(std::move(line)); }};
};

TEST(ScriptWriter, WritesADateOnlyWhenItChangesAndAtTheTimeItWasRead) {
    Written written;
    sim::ScriptWriter& writer = written.writer;
    writer.Started(4294967295u, "5/16/2001");
    writer.ReadDate(1700, "5/16/2001");  // the same date: nothing to write
    writer.Drew(0.5f);
    writer.Delivered(1700, Input::Submit);
    writer.ReadDate(86400123, "5/17/2001");  // after midnight
    writer.Drew(0.1f);
    writer.Delivered(86400123, Input::Submit);
    writer.ReadDate(86400500, "5/17/2001");
    writer.Delivered(86400500, Input::MessageClosed);
    writer.ReadDate(86400600, "5/18\r\n/2001");  // a line break cannot end the script's line
    const std::vector<std::string> expected{"recorded",       "clock 4294967295",
                                            "date 5/16/2001", "random 0.5",
                                            "at 1700 submit", "at 86400123 date 5/17/2001",
                                            "random 0.1",     "at 86400123 submit",
                                            "at 86400500 ok", "at 86400600 date 5/18  /2001"};
    ASSERT_EQ(written.lines.size(), expected.size() + 1);
    EXPECT_EQ(written.lines[0].rfind("# A Gyrolap session recorded by gyrolap --record", 0), 0u);
    EXPECT_EQ(std::vector<std::string>(written.lines.begin() + 1, written.lines.end()), expected);
}

TEST(ScriptWriter, EveryValueDrawnReadsBackAsTheSameFloat) {
    Written written;
    written.writer.Started(0, "5/16/2001");
    const std::vector<float> values{0.0f, 1e-7f, 0.1f, 0.333333343f, 0.99999994f, 0.5f};
    for (const float value : values) written.writer.Drew(value);
    written.writer.Finished(0, Board{}, false);
    std::string text;
    for (const std::string& line : written.lines) text += line + '\n';
    std::istringstream in(text);
    const auto source = sim::OpenScript(in);
    for (const float value : values) EXPECT_EQ(source->NextRandom(), value);
}

}  // namespace
}  // namespace gyrolap
