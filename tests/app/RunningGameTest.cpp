// SPDX-License-Identifier: MIT
// The built gyrolap running in its window (off any display), as a player or a terminal ends it:
// a signal closes it as the close box does, with the recording's last board and end and status
// 0; a recording's reader that goes away, or a full disk, stops the recording but not the game,
// and the program says so at once and ends with status 2; a FIFO nobody reads is refused before
// the window opens; a cut recording is replayed up to its cut and said to be so.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/CaseName.h"
#include "support/Child.h"
#include "support/FileLines.h"

namespace gyrolap::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kOffscreen = {"QT_QPA_PLATFORM=offscreen"};

fs::path Scratch(const std::string& name) {
    return fs::temp_directory_path() /
           ("gyrolap-running-" + std::to_string(::getpid()) + "-" + name);
}

// A FIFO the test reads the recording from as the game writes it.
class Fifo {
  public:
    explicit Fifo(const std::string& name) : path_(Scratch(name)) {
        fs::remove(path_);
        ::mkfifo(path_.c_str(), 0600);
        // Opened before the game opens it, so the game finds a reader.
        fd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    ~Fifo() {
        Close();
        fs::remove(path_);
    }
    std::string path() const { return path_.string(); }
    std::optional<std::string> Line() {
        return ReadLineFrom(fd_, pending_, std::chrono::seconds(8));
    }
    // Every line up to the end of the recording.
    std::vector<std::string> Rest() {
        std::vector<std::string> lines;
        while (const auto line = Line()) lines.push_back(*line);
        return lines;
    }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

  private:
    fs::path path_;
    int fd_ = -1;
    std::string pending_;
};

struct Signal {
    int number;
    const char* name;
};

class GameEndedBySignal : public ::testing::TestWithParam<Signal> {};

TEST_P(GameEndedBySignal, EndsTheRecordingWithItsBoardAndExitsZero) {
    Fifo fifo(GetParam().name);
    Child game({GYROLAP_BINARY, "--record", fifo.path()}, kOffscreen);
    ASSERT_TRUE(game.Started());
    // The date line is written once the game has started in its window.
    for (std::optional<std::string> line; (line = fifo.Line());)
        if (line->rfind("date ", 0) == 0) break;
    game.Signal(GetParam().number);
    const std::vector<std::string> rest = fifo.Rest();
    EXPECT_EQ(game.Wait(), 0);
    ASSERT_GE(rest.size(), 3u);
    EXPECT_EQ(rest[rest.size() - 3].rfind("# The window's last board: cap=Start", 0), 0u)
        << rest[rest.size() - 3];
    EXPECT_EQ(rest.back().rfind("end ", 0), 0u) << rest.back();
    EXPECT_EQ(rest[rest.size() - 2], "at " + rest.back().substr(4) + " snap");
}

INSTANTIATE_TEST_SUITE_P(Signals, GameEndedBySignal,
                         ::testing::Values(Signal{SIGHUP, "SIGHUP"}, Signal{SIGTERM, "SIGTERM"},
                                           Signal{SIGINT, "SIGINT"}),
                         [](const ::testing::TestParamInfo<Signal>& info) {
                             return CaseName(info.index, info.param.name);
                         });

TEST(RunningGame, AReaderThatGoesAwayStopsTheRecordingNotTheGame) {
    Fifo fifo("reader-gone");
    Child game({GYROLAP_BINARY, "--record", fifo.path()}, kOffscreen);
    ASSERT_TRUE(fifo.Line());  // the first line is there: the game writes
    fifo.Close();
    // The start-up animation goes on writing its wake-ups, and the first one finds no reader.
    const auto stopped = game.ErrLineWith("stopped");
    ASSERT_TRUE(stopped);
    EXPECT_EQ(*stopped, "gyrolap: the recording '" + fifo.path() + "' stopped: Broken pipe");
    EXPECT_TRUE(game.Running());  // no SIGPIPE
    game.Signal(SIGTERM);
    EXPECT_EQ(game.ErrLineWith("incomplete"),
              "gyrolap: the recording '" + fifo.path() + "' is incomplete: Broken pipe");
    EXPECT_EQ(game.Wait(), 2);
}

TEST(RunningGame, AFullDiskStopsTheRecordingAtOnceAndTheProgramEndsWithStatus2) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    Child game({GYROLAP_BINARY, "--record", "/dev/full"}, kOffscreen);
    EXPECT_EQ(game.ErrLineWith("stopped"),
              "gyrolap: the recording '/dev/full' stopped: No space left on device");
    EXPECT_TRUE(game.Running());
    game.Signal(SIGTERM);
    EXPECT_EQ(game.ErrLineWith("incomplete"),
              "gyrolap: the recording '/dev/full' is incomplete: No space left on device");
    EXPECT_EQ(game.Wait(), 2);
}

TEST(RunningGame, AFifoNobodyReadsIsRefusedBeforeTheWindowOpens) {
    const fs::path path = Scratch("unread");
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    // Without a display: a window that tried to open would abort.
    Child game({GYROLAP_BINARY, "--record", path.string()}, {"QT_QPA_PLATFORM=none"});
    EXPECT_EQ(game.ErrLine(), "gyrolap: cannot write the recording '" + path.string() +
                                  "': it is a FIFO that no program is reading");
    EXPECT_EQ(game.Wait(), 2);
    fs::remove(path);
}

TEST(RunningGame, RecordingIntoAFileThatHoldsTextReplacesWhatItHeld) {
    const fs::path path = Scratch("replaced.script");
    {
        std::ofstream old(path, std::ios::binary);
        for (int i = 0; i < 2000; ++i) old << "# an older session's line " << i << '\n';
    }
    Child game({GYROLAP_BINARY, "--record", path.string()}, kOffscreen);
    ASSERT_TRUE(game.Started());
    // The date line is written once the game has started in its window.
    ASSERT_TRUE(WaitForLine(path, "date "));
    game.Signal(SIGTERM);
    EXPECT_EQ(game.Wait(), 0);
    const std::vector<std::string> lines = FileLines(path);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0].rfind("# A Gyrolap session recorded by gyrolap --record", 0), 0u)
        << lines[0];
    EXPECT_EQ(lines[1], "recorded");
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("an older session"), std::string::npos) << line;
    EXPECT_EQ(lines[lines.size() - 3].rfind("# The window's last board: cap=Start", 0), 0u)
        << lines[lines.size() - 3];
    EXPECT_EQ(lines.back().rfind("end ", 0), 0u) << lines.back();
    EXPECT_EQ(lines[lines.size() - 2], "at " + lines.back().substr(4) + " snap");
    fs::remove(path);
}

TEST(RunningGame, ACutRecordingIsReplayedUpToItsCutAndSaidToBeSo) {
    const fs::path path = Scratch("cut.script");
    std::ofstream(path, std::ios::binary)
        << "recorded\nclock 5\ndate 5/16/2001\nrandom 0.5\nat 2000 press\nat 2100 wake\nat 21";
    Child game({GYROLAP_BINARY, "--replay", path.string()}, kOffscreen);
    EXPECT_EQ(game.ErrLine(),
              "gyrolap: the recording was cut after line 6 (the session ended "
              "without writing its last lines); played up to there");
    EXPECT_TRUE(game.Running());  // the window plays it
    game.Signal(SIGTERM);
    EXPECT_EQ(game.Wait(), 0);
    fs::remove(path);
}

}  // namespace
}  // namespace gyrolap::testing
