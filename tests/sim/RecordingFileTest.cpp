// SPDX-License-Identifier: MIT
// The recording's file, written off the game's thread: lines arrive whole and in order, a file
// that takes nothing never holds the game up (handing a line over never blocks, and a close
// gives up after its time), and what goes wrong is said once, in a few words.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "sim/RecordingFile.h"
#include "support/RunCommand.h"

namespace gyrolap {
namespace {

namespace fs = std::filesystem;
using sim::RecordingFile;

fs::path Scratch(const std::string& name) {
    return fs::temp_directory_path() /
           ("gyrolap-recording-file-" + std::to_string(::getpid()) + "-" + name);
}

// Collects why the recording stopped, from whichever thread says it.
struct Stops {
    std::mutex mutex;
    std::vector<std::string> reasons;

    void Watch(RecordingFile& file) {
        file.OnStopped([this](const std::string& reason) {
            std::lock_guard lock(mutex);
            reasons.push_back(reason);
        });
    }
    std::vector<std::string> Seen() {
        std::lock_guard lock(mutex);
        return reasons;
    }
};

TEST(RecordingFile, ReplacesWhatTheFileHeldWithTheLinesInOrder) {
    const fs::path path = Scratch("replace");
    std::ofstream(path) << std::string(100000, 'x') << '\n';
    std::string error;
    auto file = RecordingFile::Open(path.string(), error);
    ASSERT_TRUE(file) << error;
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        const std::string line = "at " + std::to_string(i) + " wake";
        file->Write(line);
        expected += line + '\n';
    }
    EXPECT_TRUE(file->Close());
    EXPECT_FALSE(file->Stopped());
    EXPECT_EQ(testing::ReadWholeFile(path), expected);
    fs::remove(path);
}

TEST(RecordingFile, APathItCannotOpenOrAFifoNobodyReadsIsRefusedAtOnce) {
    const fs::path fifo = Scratch("fifo");
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        std::string reason;
    };
    for (const Case& c : {Case{"/nonexistent/dir/session.script", "No such file or directory"},
                          Case{fs::temp_directory_path().string(), "Is a directory"},
                          Case{fifo.string(), "it is a FIFO that no program is reading"}}) {
        std::string error;
        EXPECT_FALSE(RecordingFile::Open(c.path, error)) << c.path;
        EXPECT_EQ(error, c.reason) << c.path;
    }
    fs::remove(fifo);
}

TEST(RecordingFile, AReaderThatGoesAwayStopsTheRecordingOnceAndSaysWhy) {
    std::signal(SIGPIPE, SIG_IGN);
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    ::close(ends[0]);
    RecordingFile file(ends[1]);
    Stops stops;
    stops.Watch(file);
    for (int i = 0; i < 100; ++i) file.Write("at 0 wake");
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(file.Stopped(), "Broken pipe");
    EXPECT_EQ(stops.Seen(), std::vector<std::string>{"Broken pipe"});
}

TEST(RecordingFile, AFileThatTakesNothingNeverHoldsTheGameUp) {
    // A pipe nobody reads: it takes 64 KiB and then nothing more.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    RecordingFile file(ends[1]);
    Stops stops;
    stops.Watch(file);
    // Handing lines over returns at once however much waits; past the bound, the recording
    // stops rather than hold more.
    const std::string line(1000, 'w');
    for (std::size_t i = 0; i < 2 * RecordingFile::kMaxWaitingBytes / line.size(); ++i)
        file.Write(line);
    ASSERT_EQ(stops.Seen().size(), 1u);
    EXPECT_EQ(stops.Seen()[0], "the file has taken nothing for too long (8 MiB waiting)");
    // A close gives up on it after its time.
    EXPECT_FALSE(file.Close(std::chrono::milliseconds(20)));
    EXPECT_EQ(stops.Seen().size(), 1u);  // said once
    ::close(ends[0]);
}

TEST(RecordingFile, ACloseThatTimesOutLeavesTheFileWithWholeLinesOnly) {
    // The writer, left to finish on its own, may still write once the pipe is read and closed
    // below; as in the game, that is a failed write, not the end of the process.
    std::signal(SIGPIPE, SIG_IGN);
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    auto file = std::make_unique<RecordingFile>(ends[1]);
    const std::string line(999, 'w');
    for (int i = 0; i < 1000; ++i) file->Write(line);  // 1 MB for a pipe of 64 KiB
    // Whatever the machine's speed, the writer has begun before the close gives up on it.
    pollfd written{ends[0], POLLIN, 0};
    ASSERT_EQ(::poll(&written, 1, 8000), 1);
    EXPECT_FALSE(file->Close(std::chrono::milliseconds(20)));
    EXPECT_TRUE(file->Stopped()->starts_with("the file took more than 20 ms"));
    file.reset();
    // What reached the pipe is whole lines, the last perhaps torn, never two lines run together.
    std::string got;
    char buffer[65536];
    for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) got.append(buffer, n);
    ASSERT_FALSE(got.empty());
    for (std::size_t at = 0; at < got.size(); at += 1000)
        EXPECT_EQ(got.substr(at, std::min<std::size_t>(1000, got.size() - at)),
                  (line + '\n').substr(0, std::min<std::size_t>(1000, got.size() - at)));
    ::close(ends[0]);
}

}  // namespace
}  // namespace gyrolap
