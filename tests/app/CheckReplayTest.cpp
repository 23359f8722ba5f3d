// SPDX-License-Identifier: MIT
// gyrolap-check --replay: a submission counts as played only when replaying the player's
// recording puts exactly that text on the clipboard; a valid code alone does not.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "submit/ValidationCode.h"
#include "support/RunCommand.h"

namespace gyrolap::testing {
namespace {

std::filesystem::path Scratch(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("gyrolap-check-replay-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

CommandResult Check(const std::string& args, const std::string& input) {
    return RunCommand(std::string("'") + GYROLAP_CHECK_BINARY + "' " + args, input);
}

// A session that did nothing but submit the first board twice, its draw 0.5 (r = 55).
const std::string kRecording =
    "recorded\nclock 7\ndate 5/16/2001\nat 50 wake\nat 1700 submit\nrandom 0.5\n"
    "at 1800 ok\nat 1900 submit\nat 1950 ok\nat 2000 snap\nend 2000\n";

std::string Text(const char* best, const char* average, float draw) {
    return BuildSubmissionText("2001.0516.1158", best, average, "5/16/2001", draw);
}

TEST(CheckReplay, OnlyTheTextTheRecordedGameWroteIsValid) {
    const auto recording = Scratch("session", kRecording);
    struct Case {
        const char* what;
        std::string line;
        std::string answer;
    };
    const Case cases[] = {
        {"the played text", Text("0", "0", 0.5f),
         "valid version=2001.0516.1158 best=0 average=0 date=5/16/2001 replayed"},
        {"the same text pasted with blanks and CR LF", "  " + Text("0", "0", 0.5f) + " \r",
         "valid version=2001.0516.1158 best=0 average=0 date=5/16/2001 replayed"},
        {"the same board with another draw, as another session would seal it",
         Text("0", "0", 0.25f), "invalid: not produced by the recorded game"},
        {"a score the player never reached, sealed correctly", Text("7", "2.333", 0.5f),
         "invalid: not produced by the recorded game"},
        {"a code that does not match",
         Text("0", "0", 0.5f).substr(0, 21) + "1x" + Text("0", "0", 0.5f).substr(23),
         "invalid: validation code does not match the text"},
    };
    std::string input, expected;
    for (const Case& c : cases) {
        input += c.line + "\n";
        expected += c.answer + "\n";
    }
    const CommandResult result = Check("--replay '" + recording.string() + "'", input);
    std::filesystem::remove(recording);
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
}

// With a recording and no text to ask about, every text the session made is answered for, once
// each, in the order it first went to the clipboard.
TEST(CheckReplay, WithoutATextItAnswersForEveryTextTheRecordingMade) {
    // Two boards submitted: the first twice (one text), the second after a date change.
    const auto recording =
        Scratch("every",
                "recorded\nclock 7\ndate 5/16/2001\nat 50 wake\nat 1700 submit\n"
                "random 0.5\nat 1800 ok\nat 1900 submit\nat 1950 ok\nat 2000 press\n"
                "random 0.25\nat 3000 wake\nat 3001 press\nat 3100 ok\n"
                "at 5000 date 5/17/2001\nat 6000 submit\nrandom 0.75\nat 6100 ok\n"
                "at 6200 snap\nend 6200\n");
    const CommandResult listed = Check("--replay '" + recording.string() + "'", "");
    EXPECT_EQ(listed.err, "");
    EXPECT_EQ(listed.status, 0);
    const std::vector<std::string> lines = [&] {
        std::vector<std::string> split;
        std::istringstream in(listed.out);
        for (std::string line; std::getline(in, line);) split.push_back(line);
        return split;
    }();
    ASSERT_EQ(lines.size(), 2u) << listed.out;
    EXPECT_EQ(lines[0], "valid version=2001.0516.1158 best=0 average=0 date=5/16/2001 replayed");
    EXPECT_EQ(lines[1].rfind("valid version=2001.0516.1158 best=", 0), 0u) << lines[1];
    EXPECT_TRUE(lines[1].ends_with(" date=5/17/2001 replayed")) << lines[1];
    // An empty FILE asks about nothing, as empty standard input does.
    const auto empty = Scratch("nothing-asked", "");
    EXPECT_EQ(Check("--replay '" + recording.string() + "' '" + empty.string() + "'", "").out,
              listed.out);
    std::filesystem::remove(empty);
    std::filesystem::remove(recording);

    const auto unsubmitted =
        Scratch("unsubmitted", "recorded\nclock 7\ndate 5/16/2001\nat 50 wake\nend 2000\n");
    const CommandResult none = Check("--replay '" + unsubmitted.string() + "'", "");
    std::filesystem::remove(unsubmitted);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "gyrolap-check: the recording " + unsubmitted.string() +
                            " put no submission text on the clipboard: the session never pressed "
                            "Submit Score\n");
}

TEST(CheckReplay, ACutRecordingProvesWhatItMadeBeforeTheCutAndSaysWhereItWasCut) {
    // The first text's Submit Score is in; the second's line is torn by the cut.
    const auto recording = Scratch("cut",
                                   "recorded\nclock 7\ndate 5/16/2001\nat 50 wake\nat 1700 submit\n"
                                   "random 0.5\nat 1800 ok\nat 3000 date 5/17/2001\nat 3000 subm");
    const std::string later = BuildSubmissionText("2001.0516.1158", "0", "0", "5/17/2001", 0.5f);
    const CommandResult result =
        Check("--replay '" + recording.string() + "'", Text("0", "0", 0.5f) + "\n" + later + "\n");
    std::filesystem::remove(recording);
    EXPECT_EQ(result.out,
              "valid version=2001.0516.1158 best=0 average=0 date=5/16/2001 replayed\n"
              "invalid: not produced by the recorded game\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "gyrolap-check: the recording " + recording.string() +
                              " was cut after line 8 (the session ended without writing its last "
                              "lines); the texts it made before that are proved\n");
}

TEST(CheckReplay, ARecordingLargerThanMaxSizeIsRefusedBeforeAnyAnswer) {
    const auto recording = Scratch("large", kRecording);
    const std::string smaller = std::to_string(kRecording.size() - 1);
    const CommandResult refused =
        Check("--max-size " + smaller + " --replay '" + recording.string() + "'",
              Text("0", "0", 0.5f) + "\n");
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "gyrolap-check: cannot replay the recording " + recording.string() +
                               ": the script is larger than the limit of " + smaller + " bytes\n");
    // Options in any order, and with their values after =.
    const CommandResult fits = Check(
        "--replay='" + recording.string() + "' --max-size=" + std::to_string(kRecording.size()),
        Text("0", "0", 0.5f) + "\n");
    EXPECT_EQ(fits.status, 0) << fits.err;
    std::filesystem::remove(recording);
}

TEST(CheckReplay, ARecordingThatCannotBeReplayedEndsWithStatus2AndTheReason) {
    struct Case {
        const char* name;
        std::string text;
        std::string reason;
    };
    const Case cases[] = {
        {"garbled", "recorded\nclock 7\nat 1700 sub\nend 2000\n", "line 3: unknown event 'sub'"},
        {"reordered", "recorded\nat 1900 submit\nat 1700 submit\nrandom 0.5\nend 2000\n",
         "line 3: time 1700 comes before the time of line 2 (1900)"},
        {"short of random values", "recorded\nat 1700 submit\nend 2000\n",
         "no random value left at 1700 ms"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto recording = Scratch(c.name, c.text);
        const CommandResult result =
            Check("--replay '" + recording.string() + "'", Text("0", "0", 0.5f) + "\n");
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "gyrolap-check: cannot replay the recording " + recording.string() +
                                  ": " + c.reason + "\n");
        std::filesystem::remove(recording);
    }
    const CommandResult missing = Check("--replay /nonexistent/session.script", "");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err.rfind("gyrolap-check: cannot open the recording", 0), 0u);
}

}  // namespace
}  // namespace gyrolap::testing
