// SPDX-License-Identifier: MIT
// Runs the built gyrolap-check on small inputs and compares its answers, exit status and
// error messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "submit/ValidationCode.h"
#include "support/PublishedSubmissions.h"
#include "support/RunCommand.h"

namespace gyrolap {
namespace {

namespace fs = std::filesystem;
using testing::kPublishedSubmissions;
using ToolRun = testing::CommandResult;

const std::string kFirstText = kPublishedSubmissions[0].Text();
const std::string kSecondText = kPublishedSubmissions[1].Text();
const std::string kThirdText = kPublishedSubmissions[2].Text();
constexpr const char* kFirstAnswer =
    "valid version=2001.0516.1158 best=0 average=0 date=5/16/2001\n";
constexpr const char* kThirdAnswer =
    "valid version=2001.0516.1158 best=27 average=19.333 date=5/16/2001\n";

// The tool itself, quoted for the shell.
std::string Tool() {
    return std::string("'") + GYROLAP_CHECK_PATH + "'";
}

class CheckTool : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(::testing::TempDir()) / (std::string("gyrolap-check-") + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& content) const {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    // Runs the tool with the arguments (already quoted) and `input` on standard input.
    static ToolRun Check(const std::string& arguments, const std::string& input = "") {
        return testing::RunCommand(Tool() + " " + arguments, input);
    }

    fs::path dir_;
};

TEST_F(CheckTool, AllValidFileExitsZero) {
    const auto file =
        Write("valid.txt", kFirstText + "\n" + kSecondText + "\n" + kThirdText + "\n");
    const ToolRun run = Check("'" + file + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, std::string(kFirstAnswer) + kFirstAnswer + kThirdAnswer);
    EXPECT_EQ(run.err, "");
}

TEST_F(CheckTool, AnyInvalidLineExitsOneAndEveryLineIsAnswered) {
    const std::string input =
        kFirstText + "\n" +
        "GY2001.0516.1158x9x0x5/16/2001xDVNHYJZHL5HFJ07TV657DT1CXL1V71XN0N0V1H05\n"
        "\n"
        "hello\n" +
        kThirdText;  // no newline after the last line
    const ToolRun run = Check("", input);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, std::string(kFirstAnswer) +
                           "invalid: validation code does not match the text\n"
                           "invalid: empty line, no submission text\n"
                           "invalid: no validation code: the text must end in \"x\" and the "
                           "40-character code\n" +
                           kThirdAnswer);
    EXPECT_EQ(run.err, "");
}

TEST_F(CheckTool, DashReadsStandardInputAndCrLfLinesAreValid) {
    const std::string input = kFirstText + "\r\n" + kThirdText + "\r\n";
    const ToolRun fromStdin = Check("-", input);
    EXPECT_EQ(fromStdin.status, 0) << fromStdin.err;
    EXPECT_EQ(fromStdin.out, std::string(kFirstAnswer) + kThirdAnswer);
    const ToolRun fromFile = Check("'" + Write("crlf.txt", input) + "'");
    EXPECT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, fromStdin.out);
}

TEST_F(CheckTool, EmptyInputPrintsNothingAndExitsZero) {
    const ToolRun run = Check("'" + Write("empty.txt", "") + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
}

TEST_F(CheckTool, ADateWithBlanksIsQuotedSoTheAnswerSplitsBack) {
    const std::string text =
        BuildSubmissionText("2001.0516.1158", "5", "1.666", "2001. 05. 16.", 0.25f);
    const ToolRun run = Check("'" + Write("blanks.txt", text + "\n") + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "valid version=2001.0516.1158 best=5 average=1.666 date=\"2001. 05. 16.\"\n");
}

TEST_F(CheckTool, LinesEndInLfCrLfOrCrAlone) {
    const auto file =
        Write("mixed-ends.txt", kFirstText + "\r" + kThirdText + "\r\n" + "\xEF\xBB\xBF" +
                                    kFirstText + "\n" + "\r" + kThirdText + "\r");
    const ToolRun run = Check("'" + file + "'");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, std::string(kFirstAnswer) + kThirdAnswer + kFirstAnswer +
                           "invalid: empty line, no submission text\n" + kThirdAnswer);
}

TEST_F(CheckTool, ALongLineIsRefusedAndTheNextLineStillAnswered) {
    // A genuine text at its start must not make a line of a megabyte valid.
    std::string longLine = kFirstText + std::string(1 << 20, 'A');
    const auto file = Write("long.txt", longLine + "\n" + kThirdText + "\n");
    const ToolRun run = Check("'" + file + "'");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "invalid: line too long (more than 4096 bytes), no submission text\n" +
                           std::string(kThirdAnswer));
}

TEST_F(CheckTool, AFailedWriteIsReportedAndExitsTwo) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    const auto file = Write("valid.txt", kFirstText + "\n");
    // The group's own redirection wins over the one the runner puts around it.
    const ToolRun run = testing::RunCommand("{ " + Tool() + " '" + file + "' >/dev/full; }", "");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "gyrolap-check: cannot write the answers: No space left on device\n");
}

TEST_F(CheckTool, HelpAndVersion) {
    const ToolRun version = Check("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "gyrolap-check 2001.0516.1158\n");
    const ToolRun help = Check("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("usage: gyrolap-check [--replay RECORDING] [--max-size SIZE] [FILE]\n"))
        << help.out;
    EXPECT_EQ(help.err, "");
}

TEST_F(CheckTool, UnreadableInputExitsTwoWithAMessage) {
    const std::string missing = (dir_ / "missing.txt").string();
    const ToolRun run = Check("'" + missing + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "gyrolap-check: cannot open " + missing + ": No such file or directory\n");

    const ToolRun directory = Check("'" + dir_.string() + "'");
    EXPECT_EQ(directory.status, 2);
    EXPECT_EQ(directory.out, "");
    EXPECT_EQ(directory.err, "gyrolap-check: cannot read " + dir_.string() + ": Is a directory\n");
}

TEST_F(CheckTool, BadUsageExitsTwo) {
    const auto file = Write("valid.txt", kFirstText + "\n");
    for (const std::string& arguments :
         {"'" + file + "' '" + file + "'", std::string("--frobnicate"), std::string("-v")}) {
        const ToolRun run = Check(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_TRUE(run.err.starts_with("gyrolap-check: ")) << run.err;
        EXPECT_NE(run.err.find("usage: gyrolap-check [--replay RECORDING] [--max-size SIZE] [FILE]"),
                  std::string::npos)
            << run.err;
    }
}

}  // namespace
}  // namespace gyrolap
