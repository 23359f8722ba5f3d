// SPDX-License-Identifier: MIT
// `gyrolap --verbose` says in one line on standard error which priority the game's thread got.
// The game runs for real here, in its window on Qt's offscreen platform, and is closed by
// SIGTERM once it has said it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "support/Child.h"

namespace gyrolap::testing {
namespace {

// What the game said: its priority line, how many such lines it wrote in all (those after the
// close included), and its exit status.
struct Said {
    std::string line;
    int lines = 0;
    int status = -1;
};

// Runs the game with `args`, reads its standard error until the priority line (or the end),
// then closes it.
Said RunVerbose(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {GYROLAP_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    Child game(argv, {"QT_QPA_PLATFORM=offscreen"});
    Said said;
    if (!game.Started()) return said;
    const std::string prefix = "gyrolap: game thread: ";
    if (const auto line = game.ErrLineWith(prefix)) {
        said.line = *line;
        ++said.lines;
    }
    game.Signal(SIGTERM);
    said.status = game.Wait();
    while (const auto line = game.ErrLine())
        if (line->find(prefix) != std::string::npos) ++said.lines;
    return said;
}

TEST(VerboseGame, SaysOnceWhichPriorityTheGamesThreadGot) {
    const Said said = RunVerbose({"--verbose"});
    EXPECT_TRUE(std::regex_match(
        said.line, std::regex(R"(gyrolap: game thread: (realtime-direct \(SCHED_RR priority 1, )"
                              R"(RLIMIT_RTTIME \d+ us\)|realtime-rtkit \(SCHED_RR priority \d+ )"
                              R"(granted by RealtimeKit, RLIMIT_RTTIME \d+ us\)|normal \(.+\)))")))
        << said.line;
    EXPECT_EQ(said.lines, 1);
    // SIGTERM closes the window as its close box does.
    EXPECT_EQ(said.status, 0);
}

TEST(VerboseGame, AReplayPlaysOnTheWindowsThreadAtNormalPriority) {
    const auto script = std::filesystem::temp_directory_path() /
                        ("gyrolap-verbose-" + std::to_string(::getpid()) + ".script");
    std::ofstream(script) << "random 0.5\nat 2000 press\nend 3000\n";
    const Said said = RunVerbose({"--replay", script.string(), "--verbose"});
    std::filesystem::remove(script);
    EXPECT_EQ(said.line, "gyrolap: game thread: normal (a replay plays on the window's thread)");
    EXPECT_EQ(said.lines, 1);
    EXPECT_EQ(said.status, 0);
}

}  // namespace
}  // namespace gyrolap::testing
