// SPDX-License-Identifier: MIT
// Recordings are played as they are read: a session that ended badly still proves what it
// played up to its last whole line, an editor's line ends and byte order mark change nothing,
// and a made-up file cannot make the reader hold more than a bounded read-ahead.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/Game.h"
#include "game/VirtualDriver.h"
#include "sim/Replay.h"
#include "sim/RunScript.h"
#include "sim/ScriptSource.h"
#include "sim/ScriptWriter.h"
#include "support/CaseName.h"
#include "support/HandPlayed.h"

namespace gyrolap {
namespace {

namespace fs = std::filesystem;

// A short session played on the virtual clock and written down as the window writes it: the
// recording's lines, and each text the game put on the clipboard with the number of lines
// written when it did.
struct RecordedSession {
    std::vector<std::string> lines;
    std::map<std::string, std::size_t> producedAt;

    std::string Text(std::size_t count) const {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) text += lines[i] + '\n';
        return text;
    }
};

RecordedSession PlayAndRecord() {
    RecordedSession recorded;
    sim::Script settings;
    settings.clock = 4000000000u;
    for (int i = 0; i < 200; ++i) settings.randoms.push_back(i % 3 == 0 ? 0.2f : 0.7f);
    settings.dateChanges.push_back({30000, "5/17/2001"});
    testing::HandPlayed played(settings);
    sim::Playback& session = played.playback;
    const std::ostringstream& out = played.out;
    sim::ScriptWriter writer(
        [&recorded](std::string line) { recorded.lines.push_back(std::move(line)); });
    session.game().SetLog(&writer);
    session.Load();

    std::size_t clipboardLines = 0;
    const auto at = [&](std::uint64_t time, Input input) {
        session.AdvanceTo(time);
        session.Deliver(input);
        // A text that went on the clipboard did so while this input was delivered, and the
        // input's own line is the last one written.
        std::istringstream printed(out.str());
        std::size_t count = 0;
        std::string line, text;
        while (std::getline(printed, line)) {
            const auto word = line.find(" clipboard ");
            if (word == std::string::npos) continue;
            if (++count > clipboardLines) text = line.substr(word + 11);
        }
        if (count > clipboardLines) {
            clipboardLines = count;
            recorded.producedAt.emplace(text, recorded.lines.size());
        }
    };
    const GameState& state = session.game().state();
    const auto inRing = [&state] {
        return state.BallIndex >= 1 && state.RingFlags[static_cast<std::size_t>(state.BallIndex)];
    };
    at(1700, Input::Submit);  // the empty board's text
    at(1800, Input::MessageClosed);
    at(2000, Input::Press);  // Start
    // Three good presses, then one outside the ring: a miss and its box.
    int hits = 0;
    for (std::uint64_t t = 2001; hits < 3; ++t) {
        session.AdvanceTo(t);
        if (inRing() && !state.HitLatch) {
            at(t, Input::Press);
            ++hits;
        }
    }
    std::uint64_t t = session.Now() + 1;
    for (; inRing(); ++t) session.AdvanceTo(t);
    at(t, Input::Press);
    EXPECT_TRUE(session.game().MessageOpen());
    at(t + 400, Input::MessageClosed);
    at(t + 2500, Input::Submit);  // the best score 3
    at(t + 2600, Input::MessageClosed);
    // After midnight: a press clears the stored text, and the next one carries the new date.
    at(31000, Input::Press);
    t = 31001;
    for (; inRing(); ++t) session.AdvanceTo(t);
    at(t, Input::Press);
    at(t + 100, Input::MessageClosed);
    at(t + 2000, Input::Submit);
    at(t + 2100, Input::MessageClosed);
    session.game().Quit(played.clock.Reading());
    EXPECT_EQ(recorded.producedAt.size(), 3u);
    return recorded;
}

struct Replayed {
    sim::ReplayOutcome outcome;
    std::set<std::string> texts;
};

Replayed Replay(const std::string& text, std::uint64_t maxBytes = sim::kDefaultMaxScriptBytes) {
    Replayed replayed;
    std::istringstream in(text);
    sim::ReplayOptions options;
    options.maxBytes = maxBytes;
    options.onClipboard = [&replayed](std::string_view clipboard) {
        replayed.texts.emplace(clipboard);
    };
    replayed.outcome = sim::ReplayThrough(in, options);
    return replayed;
}

TEST(RecordingStream, ACutRecordingProvesEveryTextMadeBeforeItsCut) {
    const RecordedSession session = PlayAndRecord();
    ASSERT_EQ(session.lines[1], "recorded");
    const std::size_t total = session.lines.size();
    // The whole recording proves all three texts, and is no cut one.
    const Replayed whole = Replay(session.Text(total));
    ASSERT_TRUE(whole.outcome.Played()) << whole.outcome.reason;
    EXPECT_FALSE(whole.outcome.cutAfterLine);
    EXPECT_EQ(whole.texts.size(), 3u);
    for (std::size_t kept = 2; kept < total; ++kept) {
        SCOPED_TRACE("cut after line " + std::to_string(kept) + ": " + session.lines[kept - 1]);
        std::set<std::string> expected;
        for (const auto& [text, line] : session.producedAt)
            if (line <= kept) expected.insert(text);
        // At the line boundary, and with the next line torn in the middle.
        const std::string& next = session.lines[kept];
        for (const std::string& cut :
             {session.Text(kept), session.Text(kept) + next.substr(0, next.size() / 2)}) {
            const Replayed replayed = Replay(cut);
            ASSERT_TRUE(replayed.outcome.Played()) << replayed.outcome.reason;
            EXPECT_EQ(replayed.outcome.cutAfterLine, kept);
            EXPECT_EQ(replayed.texts, expected);
        }
    }
}

TEST(RecordingStream, AHandWrittenScriptWithoutEndIsStillRefused) {
    const Replayed replayed = Replay("random 0.5\nat 1700 submit\n");
    EXPECT_EQ(replayed.outcome.failure, sim::ReplayFailure::BadLine);
    EXPECT_EQ(replayed.outcome.reason, "line 3: no 'end' line");
}

// An editor may save a file with a byte order mark, CR LF or CR alone: it reads as written.
std::vector<std::pair<std::string, std::string>> EditorTwins(const std::string& text) {
    const auto replaceLf = [&text](const std::string& by) {
        std::string twin;
        for (const char c : text) twin += c == '\n' ? by : std::string(1, c);
        return twin;
    };
    const std::string bom = "\xEF\xBB\xBF";
    return {{"CR LF", replaceLf("\r\n")},
            {"CR", replaceLf("\r")},
            {"byte order mark", bom + text},
            {"byte order mark and CR LF", bom + replaceLf("\r\n")}};
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Simulate(const std::string& text, int& status) {
    std::istringstream in(text);
    std::ostringstream out, err;
    const auto source = sim::OpenScript(in);
    status = sim::RunScript(*source, out, err);
    return out.str() + err.str();
}

TEST(RecordingStream, EditorsLineEndsAndByteOrderMarkReadAsTheirLfTwins) {
    std::vector<std::string> texts;
    for (const auto& entry : fs::directory_iterator(GYROLAP_SIM_FIXTURES))
        if (entry.path().extension() == ".script") texts.push_back(ReadFile(entry.path()));
    const RecordedSession session = PlayAndRecord();
    texts.push_back(session.Text(session.lines.size()));
    texts.push_back(session.Text(session.lines.size() - 5));  // cut short
    ASSERT_GE(texts.size(), 5u);
    for (const std::string& text : texts) {
        int status = -1;
        const std::string expected = Simulate(text, status);
        ASSERT_EQ(status, 0) << expected;
        for (const auto& [name, twin] : EditorTwins(text)) {
            SCOPED_TRACE(name);
            int twinStatus = -1;
            EXPECT_EQ(Simulate(twin, twinStatus), expected);
            EXPECT_EQ(twinStatus, 0);
        }
    }
}

// The same refusal whether a recording is read whole or played as it is read.
struct BadRecording {
    std::string text;
    std::string reason;
};

class RecordingStreamRefuses : public ::testing::TestWithParam<BadRecording> {};

TEST_P(RecordingStreamRefuses, WithTheLineAndTheReason) {
    const Replayed replayed = Replay(GetParam().text);
    EXPECT_EQ(replayed.outcome.failure, sim::ReplayFailure::BadLine);
    EXPECT_EQ(replayed.outcome.reason, GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RecordingStreamRefuses,
    ::testing::Values(
        BadRecording{"recorded\nat 20 press\nat 10 snap\nend 30\n",
                     "line 3: time 10 comes before the time of line 2 (20)"},
        BadRecording{"recorded\nat 10 press\nend 30\nat 20 snap\n",
                     "line 4: 'at' line after the 'end' line (line 3) in a recording"},
        BadRecording{"recorded\nat 40 press\nend 30\n",
                     "line 3: end time 30 comes before the time of line 2 (40)"},
        BadRecording{"recorded\nend 30\nend 30\n",
                     "line 3: second 'end' line (the first is line 2)"},
        BadRecording{"recorded\nclock 5\nat 10 wake\nclock 6\nend 30\n",
                     "line 4: second 'clock' line (the first is line 2)"},
        // The game has started by the time a setting comes: it cannot be taken back.
        BadRecording{"recorded\nat 10 wake\ndate 1/2/2003\nend 30\n",
                     "line 3: 'date' line after the recording's first event"},
        BadRecording{"recorded\nat 10 wake\nat 20 pres\nend 30\n", "line 3: unknown event 'pres'"},
        // A bad line after the end is still a bad line.
        BadRecording{"recorded\nend 30\nrandom 2\n", "line 3: random value '2' is outside [0, 1)"}),
    [](const ::testing::TestParamInfo<BadRecording>& info) {
        return testing::CaseName(info.index,
                                 info.param.reason.substr(info.param.reason.find(':') + 2));
    });

TEST(RecordingStream, AMadeUpRecordingCannotMakeTheReaderHoldMore) {
    // Values piled up ahead of the press that would draw them: a recording writes one before
    // each press that draws it.
    std::string values = "recorded\n";
    for (std::size_t i = 0; i <= sim::RecordingStream::kMaxReadAhead; ++i) values += "random 0.5\n";
    values += "at 2000 press\nend 2000\n";
    const Replayed piled = Replay(values);
    EXPECT_EQ(piled.outcome.failure, sim::ReplayFailure::BadLine);
    EXPECT_EQ(piled.outcome.reason, "line " +
                                        std::to_string(sim::RecordingStream::kMaxReadAhead + 2) +
                                        ": more than 65536 random values ahead of the game");
    // The same values in a hand-written script are read whole, as such scripts always were.
    const Replayed plain = Replay(values.substr(std::string("recorded\n").size()));
    EXPECT_TRUE(plain.outcome.Played()) << plain.outcome.reason;
}

TEST(RecordingStream, AScriptLargerThanTheLimitIsRefused) {
    const std::string text = "recorded\nat 10 wake\nat 20 wake\nend 20\n";
    EXPECT_TRUE(Replay(text, text.size()).outcome.Played());
    const Replayed refused = Replay(text, text.size() - 1);
    EXPECT_EQ(refused.outcome.failure, sim::ReplayFailure::TooLarge);
    EXPECT_EQ(refused.outcome.reason, "the script is larger than the limit of " +
                                          std::to_string(text.size() - 1) + " bytes");
}

TEST(RecordingStream, ByteCountsAsACommandLineGivesThem) {
    struct Case {
        const char* text;
        std::optional<std::uint64_t> bytes;
    };
    for (const Case& c : {Case{"1", 1}, Case{"4096", 4096}, Case{"512K", 512u << 10},
                          Case{"64M", std::uint64_t{64} << 20}, Case{"2G", std::uint64_t{2} << 30},
                          Case{"0", std::nullopt}, Case{"", std::nullopt}, Case{"M", std::nullopt},
                          Case{"-5", std::nullopt}, Case{"5m", std::nullopt},
                          Case{"1.5M", std::nullopt}, Case{"99999999999999G", std::nullopt}}) {
        EXPECT_EQ(sim::ParseByteCount(c.text), c.bytes) << c.text;
    }
}

}  // namespace
}  // namespace gyrolap
