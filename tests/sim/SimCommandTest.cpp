// SPDX-License-Identifier: MIT
// The gyrolap-sim command itself: where it reads from, what it prints on errors, its exit codes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/RunCommand.h"

namespace {

using Result = gyrolap::testing::CommandResult;

// Runs gyrolap-sim with `args` and `input` on standard input; collects both outputs.
Result RunSim(const std::string& args, const std::string& input) {
    return gyrolap::testing::RunCommand(std::string("'") + GYROLAP_SIM_BINARY + "' " + args, input);
}

const std::string kSubmitScript = "random 0.5\nat 1700 submit\nend 1800\n";

TEST(SimCommand, ReadsStandardInputWithoutArgumentOrWithDash) {
    const Result bare = RunSim("", kSubmitScript);
    const Result dash = RunSim("-", kSubmitScript);
    EXPECT_EQ(bare.status, 0) << bare.err;
    EXPECT_EQ(bare.out.rfind("1700 clipboard GY2001.0516.1158x0x0x5/16/2001x", 0), 0u) << bare.out;
    EXPECT_EQ(dash.status, 0);
    EXPECT_EQ(dash.out, bare.out);
}

TEST(SimCommand, ReadsTheScriptFile) {
    const auto path = std::filesystem::path(GYROLAP_SIM_FIXTURES) / "level1-hit-then-miss.script";
    const Result result = RunSim("'" + path.string() + "'", "");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("5000 box Gyrolap|Oops"), std::string::npos) << result.out;
}

TEST(SimCommand, RefusesABadScriptBeforeRunningAnything) {
    const Result result = RunSim("", "at 0 snap\nat 10 jump\nend 20\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "gyrolap-sim: line 2: unknown event 'jump'\n");
}

TEST(SimCommand, RefusesAFileItCannotOpen) {
    const Result result = RunSim("/nonexistent/gyrolap.script", "");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("gyrolap-sim: cannot open script '/nonexistent/gyrolap.script'"),
              std::string::npos)
        << result.err;
}

TEST(SimCommand, StopsWithStatus3WhenTheRandomValuesRunOut) {
    // The Start draws the only value; the good press on ball 1 needs a second one.
    const Result result =
        RunSim("", "random 0\nat 2000 press\nat 5150 press\nat 5150 snap\nend 6000\n");
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err, "gyrolap-sim: no random value left at 5150 ms\n");
    EXPECT_EQ(result.out, "");
}

// Runs gyrolap-sim with `redirections` as they stand, and the script on standard input unless
// the redirections close it. The redirections sit inside a group, so they win over the
// runner's own around it.
Result RunSimRedirected(const std::string& args, const std::string& redirections,
                        const std::string& input) {
    return gyrolap::testing::RunCommand(
        "{ '" + std::string(GYROLAP_SIM_BINARY) + "' " + args + " " + redirections + "; }", input);
}

TEST(SimCommand, AFailedWriteIsAFailure) {
    struct Case {
        const char* redirections;
        const char* reason;
    };
    for (const Case& c :
         {Case{">/dev/full", "No space left on device"}, Case{">&-", "Bad file descriptor"}}) {
        if (std::string(c.redirections) == ">/dev/full" && !std::filesystem::exists("/dev/full"))
            continue;
        const Result result = RunSimRedirected("", c.redirections, kSubmitScript);
        EXPECT_EQ(result.status, 2) << c.redirections;
        EXPECT_EQ(result.err,
                  std::string("gyrolap-sim: cannot write the output: ") + c.reason + "\n")
            << c.redirections;
    }
}

TEST(SimCommand, AClosedStandardInputIsUnreadableNotEmpty) {
    const Result result = RunSimRedirected("", "<&- >/dev/null", "");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "gyrolap-sim: cannot read the script from standard input: Bad file descriptor\n");
}

TEST(SimCommand, ADirectoryIsNoScript) {
    const auto dir = std::filesystem::temp_directory_path();
    const Result result = RunSim("'" + dir.string() + "'", "");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err,
              "gyrolap-sim: cannot read script '" + dir.string() + "': Is a directory\n");
}

TEST(SimCommand, MessagesQuoteTheScriptEscapedAndShort) {
    const Result result = RunSim("", "at 0 snap\n" + std::string("\x1b]0;owned\x07\0", 11) +
                                         std::string(5000, 'w') + "\nend 1\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "gyrolap-sim: line 2: unknown command '\\x1B]0;owned\\x07\\x00" +
                              std::string(29, 'w') + "...'\n");
}

TEST(SimCommand, WhatTheScriptSaysIsPrintedEscaped) {
    // A date that would clear the screen and turn the rest of the line around.
    const Result result =
        RunSim("", "date 5/16/2001\x1b[2J\xE2\x80\xAE\\\nrandom 0.5\nat 1700 submit\nend 1800\n");
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string date = "5/16/2001\\x1B[2J\\u{202E}\\\\";
    EXPECT_NE(result.out.find("1700 clipboard GY2001.0516.1158x0x0x" + date + "x"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(result.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(result.out.find("\xE2\x80\xAE"), std::string::npos);
    // The box's own line breaks are \n, never a raw line end.
    const auto box = result.out.find("1700 box Validation Code|");
    ASSERT_NE(box, std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\\n", box), std::string::npos);
}

TEST(SimCommand, AScriptLargerThanMaxSizeIsRefused) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("gyrolap-sim-large-" + std::to_string(::getpid()) + ".script");
    {
        std::ofstream file(path, std::ios::binary);
        file << kSubmitScript;
    }
    const std::string size = std::to_string(kSubmitScript.size());
    const std::string smaller = std::to_string(kSubmitScript.size() - 1);
    EXPECT_EQ(RunSim("--max-size " + size + " '" + path.string() + "'", "").status, 0);
    // A file, refused before a line is played; standard input, once it grows past the limit.
    for (const std::string& args :
         {"--max-size=" + smaller + " '" + path.string() + "'", "--max-size " + smaller}) {
        const Result refused = RunSim(args, kSubmitScript);
        EXPECT_EQ(refused.status, 2) << args;
        EXPECT_EQ(refused.out, "") << args;
        EXPECT_EQ(refused.err,
                  "gyrolap-sim: the script is larger than the limit of " + smaller + " bytes\n")
            << args;
    }
    const Result bad = RunSim("--max-size 12Q", kSubmitScript);
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.starts_with("gyrolap-sim: --max-size needs a size")) << bad.err;
    std::filesystem::remove(path);
}

TEST(SimCommand, HelpVersionAndUnknownOptions) {
    const Result version = RunSim("--version", "");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "gyrolap-sim 2001.0516.1158\n");
    const Result help = RunSim("--help", "");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("usage: gyrolap-sim [--max-size SIZE] [SCRIPT]\n"))
        << help.out;
    EXPECT_NE(help.out.find("Exit status:"), std::string::npos) << help.out;
    for (const std::string args : {"--frobnicate", "-x", "a.script b.script"}) {
        const Result bad = RunSim(args, kSubmitScript);
        EXPECT_EQ(bad.status, 2) << args;
        EXPECT_EQ(bad.out, "") << args;
        EXPECT_TRUE(bad.err.starts_with("gyrolap-sim: ")) << bad.err;
        EXPECT_NE(bad.err.find("usage: gyrolap-sim [--max-size SIZE] [SCRIPT]"), std::string::npos)
            << bad.err;
    }
}

}  // namespace
