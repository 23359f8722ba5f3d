// SPDX-License-Identifier: MIT
// The sessions' folder on made-up old sessions: which names are the game's, the order old
// sessions go in (those whose text went to the clipboard last), the bounds by count and by
// bytes, the files the clean-up never touches (the player's own, links, a session another game
// still writes), a new session's name that never overwrites, and where the folder is.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "sim/SessionFolder.h"

namespace gyrolap::sim {
namespace {

namespace fs = std::filesystem;

class SessionFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("gyrolap-sessions-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // A session of `bytes` bytes last written `daysAgo` days ago.
    void Make(const std::string& name, int daysAgo, std::size_t bytes = 10) {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
        const timespec written{1800000000 - daysAgo * 86400, 0};
        const timespec times[2] = {written, written};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    std::set<std::string> Left() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::vector<std::string> Names(const KeptFolder& kept) const {
        std::vector<std::string> names;
        for (const std::string& path : kept.deleted) names.push_back(fs::path(path).filename());
        EXPECT_TRUE(kept.errors.empty()) << kept.errors.front();
        return names;
    }

    fs::path folder_;
};

TEST(SessionNames, AreTheGamesOwnAndSayWhetherATextWentToTheClipboard) {
    struct Case {
        const char* name;
        bool session;
        bool submitted;
    };
    for (const Case& c : {
             Case{"2026-05-16_14-03-27.gyrolap", true, false},
             Case{"2026-05-16_14-03-27-2.gyrolap", true, false},
             Case{"2026-05-16_14-03-27.submitted.gyrolap", true, true},
             Case{"2026-05-16_14-03-27-12.submitted.gyrolap", true, true},
             Case{"best-game.gyrolap", false, false},
             Case{"2026-05-16_14-03-27.script", false, false},
             Case{"2026-05-16_14-03-27-.gyrolap", false, false},
             Case{"2026-05-16_14-03-27.gyrolap~", false, false},
             Case{"2026-05-16 14-03-27.gyrolap", false, false},
             Case{".gyrolap", false, false},
         }) {
        SCOPED_TRACE(c.name);
        bool submitted = !c.submitted;
        EXPECT_EQ(IsSessionName(c.name, &submitted), c.session);
        if (c.session) {
            EXPECT_EQ(submitted, c.submitted);
        }
    }
}

TEST_F(SessionFolder, DeletesTheOldestFirstAndTheSubmittedOnesOnlyAfterEveryOther) {
    Make("2026-01-01_10-00-00.submitted.gyrolap", 30);  // the oldest of all, but submitted
    Make("2026-01-05_10-00-00.gyrolap", 26);
    Make("2026-01-09_10-00-00.submitted.gyrolap", 22);
    Make("2026-01-10_10-00-00.gyrolap", 21);
    Make("2026-01-20_10-00-00.gyrolap", 11);
    // Room for one more within 3: two stay, the unsubmitted ones go oldest first.
    EXPECT_EQ(
        Names(KeepWithin(folder_, {3, std::uint64_t{1} << 30})),
        (std::vector<std::string>{"2026-01-05_10-00-00.gyrolap", "2026-01-10_10-00-00.gyrolap",
                                  "2026-01-20_10-00-00.gyrolap"}));
    EXPECT_EQ(Left(), (std::set<std::string>{"2026-01-01_10-00-00.submitted.gyrolap",
                                             "2026-01-09_10-00-00.submitted.gyrolap"}));
    // With no unsubmitted one left, the oldest submitted one goes.
    EXPECT_EQ(Names(KeepWithin(folder_, {2, std::uint64_t{1} << 30})),
              (std::vector<std::string>{"2026-01-01_10-00-00.submitted.gyrolap"}));
}

TEST_F(SessionFolder, KeepsTheOlderSessionsWithinTheBytesWhicheverBoundComesFirst) {
    Make("2026-02-01_10-00-00.gyrolap", 9, 400);
    Make("2026-02-02_10-00-00.gyrolap", 8, 400);
    Make("2026-02-03_10-00-00.gyrolap", 7, 400);
    Make("2026-02-04_10-00-00.gyrolap", 6, 400);
    // 1600 bytes against 1000: two go, though the count allows all.
    EXPECT_EQ(
        Names(KeepWithin(folder_, {200, 1000})),
        (std::vector<std::string>{"2026-02-01_10-00-00.gyrolap", "2026-02-02_10-00-00.gyrolap"}));
    // Within both bounds nothing goes.
    EXPECT_TRUE(Names(KeepWithin(folder_, {3, 1000})).empty());
}

TEST_F(SessionFolder, NeverTouchesThePlayersOwnFilesALinkOrASessionAnotherGameWrites) {
    Make("my-best-game.gyrolap", 100);
    Make("notes.txt", 100);
    Make("2026-03-01_10-00-00.gyrolap", 50);
    Make("2026-03-02_10-00-00.gyrolap", 40);
    fs::create_symlink(folder_ / "2026-03-02_10-00-00.gyrolap",
                       folder_ / "2026-03-03_10-00-00.gyrolap");
    // The oldest session is still being written by another game, which holds its lock.
    const int writing = ::open((folder_ / "2026-03-01_10-00-00.gyrolap").c_str(), O_WRONLY);
    ASSERT_GE(writing, 0);
    ASSERT_EQ(::flock(writing, LOCK_EX), 0);
    const KeptFolder kept = KeepWithin(folder_, {1, std::uint64_t{1} << 30});
    ::close(writing);
    EXPECT_EQ(Names(kept), (std::vector<std::string>{"2026-03-02_10-00-00.gyrolap"}));
    EXPECT_EQ(Left(), (std::set<std::string>{"my-best-game.gyrolap", "notes.txt",
                                             "2026-03-01_10-00-00.gyrolap",
                                             "2026-03-03_10-00-00.gyrolap"}));
}

TEST_F(SessionFolder, ANewSessionNeverOverwritesOneStartedInTheSameSecond) {
    const std::time_t start = 1800000000;
    std::string error;
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        const auto session = CreateSession(folder_, start, error);
        ASSERT_TRUE(session) << error;
        paths.push_back(fs::path(session->path).filename());
        // The session may be marked as submitted meanwhile: its name stays taken.
        if (i == 0) fs::rename(session->path, SubmittedPath(session->path));
        ::close(session->fd);
    }
    std::tm local{};
    ::localtime_r(&start, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
    EXPECT_EQ(paths, (std::vector<std::string>{std::string(stamp) + ".gyrolap",
                                               std::string(stamp) + "-2.gyrolap",
                                               std::string(stamp) + "-3.gyrolap"}));
    for (const std::string& name : paths) EXPECT_TRUE(IsSessionName(name));
    EXPECT_EQ(SubmittedPath("/a/" + paths[1]), "/a/" + std::string(stamp) + "-2.submitted.gyrolap");
}

TEST_F(SessionFolder, IsMadeWithTheFoldersAboveItPrivateToThePlayer) {
    std::string error;
    EXPECT_EQ(SessionsFolder("/data", "/home/p", error), "/data/gyrolap/recordings");
    EXPECT_EQ(SessionsFolder("", "/home/p/", error), "/home/p/.local/share/gyrolap/recordings");
    // A relative XDG_DATA_HOME is ignored, as the base directory rules say.
    EXPECT_EQ(SessionsFolder("data", "/home/p", error), "/home/p/.local/share/gyrolap/recordings");
    EXPECT_FALSE(SessionsFolder(nullptr, nullptr, error));
    EXPECT_NE(error.find("neither XDG_DATA_HOME nor HOME"), std::string::npos);

    const std::string made = (folder_ / "data/gyrolap/recordings").string();
    ASSERT_TRUE(MakeFolder(made, error)) << error;
    struct stat status {};
    ASSERT_EQ(::stat((folder_ / "data").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_TRUE(MakeFolder(made, error)) << error;  // a second time: there already
    std::ofstream(folder_ / "plain") << "x";
    EXPECT_FALSE(MakeFolder((folder_ / "plain/recordings").string(), error));
    EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;
}

TEST(KeepOption, ReadsSessionsAndASizeAndRefusesTheRest) {
    const auto both = ParseKeep("50,1G");
    ASSERT_TRUE(both);
    EXPECT_EQ(both->sessions, 50u);
    EXPECT_EQ(both->bytes, std::uint64_t{1} << 30);
    const auto count = ParseKeep("7");
    ASSERT_TRUE(count);
    EXPECT_EQ(count->sessions, 7u);
    EXPECT_EQ(count->bytes, KeepLimits{}.bytes);
    for (const char* bad : {"", "0", "-1", "1,", ",5M", "5,0", "5,5X", "5,5M,", "two", "99999999"})
        EXPECT_FALSE(ParseKeep(bad)) << bad;
}

}  // namespace
}  // namespace gyrolap::sim
