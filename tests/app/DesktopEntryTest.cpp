// SPDX-License-Identifier: MIT
// The desktop entries as a desktop runs them, their Exec lines run with the built gyrolap: the
// launcher's Play and record records the session into the data folder, and the entry that
// opens recordings replays the file it is given.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/Child.h"
#include "support/FileLines.h"

namespace gyrolap::testing {
namespace {

namespace fs = std::filesystem;

// Each group's keys ("Desktop Entry", "Desktop Action PlayAndRecord") of a desktop entry file.
std::map<std::string, std::map<std::string, std::string>> Groups(const std::string& entry) {
    std::ifstream file(fs::path(GYROLAP_PACKAGING_DIR) / entry);
    EXPECT_TRUE(file) << entry;
    std::map<std::string, std::map<std::string, std::string>> groups;
    std::string group;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
        } else if (const auto equals = line.find('='); equals != std::string::npos) {
            groups[group][line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return groups;
}

// An Exec line as the desktop runs it, with the built program for `gyrolap` and `file` for %f.
std::vector<std::string> Command(const std::string& exec, const std::string& file = "") {
    std::vector<std::string> argv;
    std::istringstream words(exec);
    for (std::string word; words >> word;) {
        if (word == "%f") word = file;
        argv.push_back(argv.empty() && word == "gyrolap" ? GYROLAP_BINARY : word);
    }
    return argv;
}

TEST(DesktopEntry, PlayAndRecordRecordsTheSessionIntoTheDataFolder) {
    auto groups = Groups("org.gyrolap.Gyrolap.desktop");
    // The plain launcher starts the plain game, which writes no file.
    EXPECT_EQ(groups["Desktop Entry"]["Exec"], "gyrolap");
    EXPECT_EQ(groups["Desktop Entry"]["Actions"], "PlayAndRecord;");
    EXPECT_EQ(groups["Desktop Action PlayAndRecord"]["Name"], "Play and record");

    const fs::path home =
        fs::temp_directory_path() / ("gyrolap-desktop-" + std::to_string(::getpid()));
    fs::remove_all(home);
    const fs::path recordings = home / "data/gyrolap/recordings";
    Child game(Command(groups["Desktop Action PlayAndRecord"]["Exec"]),
               {"QT_QPA_PLATFORM=offscreen", "HOME=" + home.string(),
                "XDG_DATA_HOME=" + (home / "data").string()});
    ASSERT_TRUE(game.Started());
    const auto said = game.ErrLineWith("recording the session to");
    ASSERT_TRUE(said);
    const std::string prefix = "gyrolap: recording the session to '";
    ASSERT_EQ(said->rfind(prefix, 0), 0u) << *said;
    // The date line is written once the game has started in its window.
    ASSERT_TRUE(
        WaitForLine(said->substr(prefix.size(), said->size() - prefix.size() - 1), "date "));
    game.Signal(SIGTERM);
    EXPECT_EQ(game.Wait(), 0);
    std::vector<fs::path> sessions;
    for (const auto& entry : fs::directory_iterator(recordings)) sessions.push_back(entry.path());
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(*said, "gyrolap: recording the session to '" + sessions[0].string() + "'");
    EXPECT_EQ(sessions[0].extension(), ".gyrolap");
    std::ifstream file(sessions[0]);
    std::string first, line, last;
    std::getline(file, first);
    while (std::getline(file, line)) last = line;
    EXPECT_EQ(first.rfind("# A Gyrolap session recorded by", 0), 0u) << first;
    EXPECT_EQ(last.rfind("end ", 0), 0u) << last;
    fs::remove_all(home);
}

TEST(DesktopEntry, TheEntryThatOpensRecordingsReplaysTheFileItIsGiven) {
    auto groups = Groups("org.gyrolap.Gyrolap.Replay.desktop");
    EXPECT_EQ(groups["Desktop Entry"]["MimeType"], "application/x-gyrolap-recording;");
    EXPECT_EQ(groups["Desktop Entry"]["NoDisplay"], "true");
    // A recording that cannot be played says so, with its line, before any window opens: the
    // file was replayed.
    const fs::path recording =
        fs::temp_directory_path() / ("gyrolap-desktop-" + std::to_string(::getpid()) + ".gyrolap");
    std::ofstream(recording) << "recorded\nclock 5\nat 2000 prss\nend 2150\n";
    Child replay(Command(groups["Desktop Entry"]["Exec"], recording.string()),
                 {"QT_QPA_PLATFORM=offscreen"});
    const auto said = replay.ErrLine();
    ASSERT_TRUE(said);
    EXPECT_EQ(said->rfind("gyrolap: line 3: ", 0), 0u) << *said;
    EXPECT_EQ(replay.Wait(), 2);
    fs::remove(recording);
}

}  // namespace
}  // namespace gyrolap::testing
