// SPDX-License-Identifier: MIT
// The gyrolap command itself, before any window opens: --help and --version without a display,
// unknown options, and the files --record and --replay name, checked up front. No test here may
// open a window: the display is taken away, so one that tried would fail.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/RunCommand.h"

namespace gyrolap::testing {
namespace {

// No display at all: Qt would abort if the program got as far as opening its window.
const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";

CommandResult Gyrolap(const std::string& args) {
    return RunCommand(std::string("'") + GYROLAP_BINARY + "' " + args, "", kNoDisplay);
}

std::filesystem::path Scratch(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("gyrolap-app-test-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(GameCommand, HelpAndVersionNeedNoDisplay) {
    const CommandResult help = Gyrolap("--help");
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_EQ(help.out.rfind("usage: gyrolap [--record FILE | --replay FILE] [--verbose]\n", 0),
              0u);
    const CommandResult version = Gyrolap("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "gyrolap 2001.0516.1158\n");
}

TEST(GameCommand, RefusesWhatItDoesNotKnowWithStatus2) {
    struct Case {
        const char* args;
        const char* message;
    };
    for (const Case& c :
         {Case{"--frobnicate", "gyrolap: unknown option --frobnicate\n"},
          Case{"--record", "gyrolap: --record needs a FILE\n"},
          Case{"--record a --replay b", "gyrolap: --record and --replay cannot go together\n"},
          Case{"--record=a --replay=b", "gyrolap: --record and --replay cannot go together\n"},
          // A recording named without --replay is not silently a new game.
          Case{"some.script",
               "gyrolap: unexpected argument 'some.script' (to watch a "
               "recording: gyrolap --replay some.script)\n"}}) {
        SCOPED_TRACE(c.args);
        const CommandResult result = Gyrolap(c.args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind(c.message, 0), 0u) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

TEST(GameCommand, HelpAndVersionComeFirstWhereverTheyStand) {
    const auto path = Scratch("version-after-replay", "random 0.5\nat 2000 press\nend 9000\n");
    const CommandResult version = Gyrolap("--replay '" + path.string() + "' --version");
    std::filesystem::remove(path);
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "gyrolap 2001.0516.1158\n");
    EXPECT_EQ(version.err, "");
}

TEST(GameCommand, WithoutADisplayItSaysSoInOneLineAndLeavesTheRecordingAlone) {
    const std::string text = "a recording the player keeps\n";
    const auto path = Scratch("kept", text);
    const std::string line =
        "gyrolap: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
        "set); on a machine without a screen, run it on a private virtual one: xvfb-run -a "
        "gyrolap\n";
    for (const std::string& args : {std::string(), "--record='" + path.string() + "'"}) {
        SCOPED_TRACE(args);
        const CommandResult result = Gyrolap(args);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, line);
    }
    EXPECT_EQ(ReadWholeFile(path), text);
    // A display named but out of reach: the same plain ending, not Qt's abort.
    const CommandResult unreachable =
        RunCommand(std::string("'") + GYROLAP_BINARY + "'", "", kNoDisplay + " DISPLAY=:12345");
    EXPECT_EQ(unreachable.status, 1) << unreachable.err;
    EXPECT_NE(unreachable.err.find("gyrolap: no display to open the window on (the window "
                                   "system could not be reached)"),
              std::string::npos)
        << unreachable.err;
    std::filesystem::remove(path);
}

TEST(GameCommand, ARecordingThatCannotBeWrittenIsRefusedBeforeTheWindowOpens) {
    const CommandResult result = Gyrolap("--record /nonexistent/dir/session.script");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "gyrolap: cannot write the recording '/nonexistent/dir/session.script': No such "
              "file or directory\n");
}

// A small recording, and what becomes of it when it is damaged.
const std::string kGood =
    "recorded\nclock 5\ndate 5/16/2001\nrandom 0.5\nat 2000 press\nat 2100 wake\n"
    "at 2150 press\nat 2150 snap\nend 2150\n";

TEST(GameCommand, ABadRecordingIsRefusedWithItsLineBeforeTheWindowOpens) {
    struct Case {
        const char* name;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"garbled", "recorded\nclock 5\nrandom 0.5\nat 2000 prss\nat 2100 wake\nend 2150\n",
         "line 4:"},
        {"a plain script without end", "random 0.5\nat 2000 press\n", "line 3: no 'end' line"},
        {"reordered",
         "recorded\nclock 5\nrandom 0.5\nat 2100 wake\nat 2000 press\nat 2150 press\nend 2150\n",
         "line 5:"},
        {"random-out-of-range", "recorded\nrandom 1.5\nat 2000 press\nend 2100\n", "line 2:"},
        {"clock-out-of-range", "recorded\nclock 4294967296\nend 10\n", "line 2:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = Scratch(c.name, c.text);
        const CommandResult result = Gyrolap("--replay '" + path.string() + "'");
        std::filesystem::remove(path);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind(std::string("gyrolap: ") + c.message, 0), 0u) << result.err;
    }
}

TEST(GameCommand, ARecordingThatRunsOutOfRandomValuesIsRefusedBeforeTheWindowOpens) {
    // The Start draws the only value; the good press on ball 1 needs a second one.
    const auto path =
        Scratch("short", "random 0\nat 2000 press\nat 5150 press\nat 5150 snap\nend 6000\n");
    const CommandResult result = Gyrolap("--replay '" + path.string() + "'");
    std::filesystem::remove(path);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err, "gyrolap: no random value left at 5150 ms\n");
}

}  // namespace
}  // namespace gyrolap::testing
