// SPDX-License-Identifier: MIT
// Where `gyrolap --record` cannot write, it says why and ends with status 2 before any window
// opens: a folder, a path below a plain file, a name too long for the system, a name that is
// empty. A game that opened its window anyway would play on without its recording and end with
// status 0, as if the recording had been made.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/CaseName.h"
#include "support/RunCommand.h"

namespace gyrolap::testing {
namespace {

namespace fs = std::filesystem;

// No display at all: Qt would abort if the program got as far as opening its window.
const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";

const fs::path kPlainFile =
    fs::temp_directory_path() / ("gyrolap-target-" + std::to_string(::getpid()) + ".txt");

struct Target {
    const char* what;
    std::string args;
    std::string message;
};

void PrintTo(const Target& target, std::ostream* out) {
    *out << target.what;
}

class RecordingTarget : public ::testing::TestWithParam<Target> {
  protected:
    static void SetUpTestSuite() { std::ofstream(kPlainFile) << "a plain file\n"; }
    static void TearDownTestSuite() { fs::remove(kPlainFile); }
};

TEST_P(RecordingTarget, ThatCannotBeWrittenIsRefusedWithStatus2BeforeTheWindowOpens) {
    const CommandResult result =
        RunCommand(std::string("'") + GYROLAP_BINARY + "' " + GetParam().args, "", kNoDisplay);
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_EQ(result.err.substr(0, result.err.find('\n') + 1), GetParam().message);
    EXPECT_EQ(result.out, "");
}

const std::string kLongName = "/tmp/" + std::string(300, 'n') + ".script";

INSTANTIATE_TEST_SUITE_P(
    Targets, RecordingTarget,
    ::testing::Values(
        Target{"a folder", "--record /tmp",
               "gyrolap: cannot write the recording '/tmp': Is a directory\n"},
        Target{"a path below a plain file", "--record '" + kPlainFile.string() + "/s.script'",
               "gyrolap: cannot write the recording '" + kPlainFile.string() +
                   "/s.script': Not a directory\n"},
        Target{"a name too long", "--record " + kLongName,
               "gyrolap: cannot write the recording '" + kLongName + "': File name too long\n"},
        Target{"an empty name", "--record ''", "gyrolap: --record needs a FILE\n"},
        Target{"an empty name to replay", "--replay ''", "gyrolap: --replay needs a FILE\n"}),
    [](const ::testing::TestParamInfo<Target>& info) {
        return CaseName(info.index, info.param.what);
    });

}  // namespace
}  // namespace gyrolap::testing
