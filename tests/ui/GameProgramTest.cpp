// SPDX-License-Identifier: MIT
// The game as gyrolap runs it, recording included: signals close the window as its close box
// does, so the recording ends with its last board; a recording that stops says so in the window
// while the game goes on; a file that held text is replaced; and a flood of real inputs on the
// real clock is recorded as a game that replays exactly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "PaintedBoard.h"
#include "app/GameProgram.h"
#include "sim/Replay.h"
#include "sim/RunScript.h"
#include "sim/ScriptSource.h"
#include "sim/SessionFolder.h"
#include "support/CaseName.h"
#include "support/MovedClock.h"
#include "support/ProgramSteps.h"

namespace gyrolap {
namespace {

namespace fs = std::filesystem;

fs::path Scratch(const std::string& name) {
    return fs::temp_directory_path() /
           ("gyrolap-program-" + std::to_string(::getpid()) + "-" + name + ".script");
}

std::vector<std::string> Lines(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

// What the simulator's last snap shows when it replays the file: the replayed final board.
std::string ReplayedFinalBoard(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    const auto source = sim::OpenScript(file);
    std::ostringstream out, err;
    EXPECT_EQ(sim::RunScript(*source, out, err), sim::kExitOk) << err.str();
    EXPECT_EQ(err.str(), "");
    const std::string printed = out.str();
    const std::size_t last = printed.rfind(" snap ", printed.size() - 2);
    if (last == std::string::npos) return "";
    return printed.substr(last + 6, printed.size() - last - 7);
}

// A recording that ended as it should: the window's last board, a snap of it and the end; and
// replayed, the same board.
void ExpectEndsWithItsBoard(const fs::path& path) {
    const std::vector<std::string> lines = Lines(path);
    ASSERT_GE(lines.size(), 7u);
    const std::string comment = "# The window's last board: ";
    const std::string& board = lines[lines.size() - 3];
    ASSERT_EQ(board.rfind(comment, 0), 0u) << board;
    const std::string& snap = lines[lines.size() - 2];
    const std::string& end = lines.back();
    ASSERT_EQ(end.rfind("end ", 0), 0u) << end;
    EXPECT_EQ(snap, "at " + end.substr(4) + " snap");
    EXPECT_EQ(ReplayedFinalBoard(path), board.substr(comment.size()));
}

using testing::Advance;
using testing::Sync;

// The program with a clock the test moves.
struct Program {
    explicit Program(const fs::path& recording) : path(recording) {
        EXPECT_FALSE(program.Prepare({path.string(), ""}));
        program.Start(&clock);
        EXPECT_TRUE(QTest::qWaitFor([this] { return program.driver().Started(); }));
        Sync(program, clock);
    }
    ~Program() { fs::remove(path); }

    void Advance(std::uint64_t ms) { testing::Advance(program, clock, ms); }
    QPushButton* Button(const char* name) { return program.window().findChild<QPushButton*>(name); }
    void Press() {
        QTest::mousePress(Button("cmdAction"), Qt::LeftButton);
        QTest::mouseRelease(Button("cmdAction"), Qt::LeftButton);
        Sync(program, clock);
    }
    const GameState& State() { return program.driver().LatestSnapshot().state; }
    bool InRing() {
        const GameState& s = State();
        return s.BallIndex >= 1 && s.RingFlags[static_cast<std::size_t>(s.BallIndex)];
    }

    fs::path path;
    testing::MovedClock clock{1000};
    GameProgram program;
};

enum class Moment { LayoutAnimation, Run, BoxOpen };

struct SignalCase {
    int signal;
    Moment moment;
    const char* name;
};

class SignalsEndTheRecording : public ::testing::TestWithParam<SignalCase> {};

TEST_P(SignalsEndTheRecording, WithTheWindowsLastBoard) {
    const SignalCase& c = GetParam();
    Program game(Scratch(c.name));
    if (c.moment == Moment::LayoutAnimation) {
        game.Advance(400);
        ASSERT_GT(game.program.driver().LatestSnapshot().depth, 0u);  // the start-up animation
    } else {
        game.Advance(1700);
        game.Press();  // Start
        game.Advance(30);
        ASSERT_TRUE(game.State().Running);
        if (c.moment == Moment::BoxOpen) {
            while (game.InRing()) game.Advance(1);
            game.Press();
            ASSERT_NE(game.program.effects().OpenMessage(), nullptr);
        }
    }
    ::raise(c.signal);
    ASSERT_TRUE(QTest::qWaitFor([&game] { return !game.program.window().isVisible(); }));
    EXPECT_EQ(game.program.Finish(0), 0);
    ExpectEndsWithItsBoard(game.path);
}

INSTANTIATE_TEST_SUITE_P(
    GameProgram, SignalsEndTheRecording,
    ::testing::Values(SignalCase{SIGTERM, Moment::LayoutAnimation, "SIGTERM in the animation"},
                      SignalCase{SIGINT, Moment::LayoutAnimation, "SIGINT in the animation"},
                      SignalCase{SIGHUP, Moment::LayoutAnimation, "SIGHUP in the animation"},
                      SignalCase{SIGTERM, Moment::Run, "SIGTERM during a run"},
                      SignalCase{SIGINT, Moment::Run, "SIGINT during a run"},
                      SignalCase{SIGHUP, Moment::Run, "SIGHUP during a run"},
                      SignalCase{SIGTERM, Moment::BoxOpen, "SIGTERM with the box open"},
                      SignalCase{SIGINT, Moment::BoxOpen, "SIGINT with the box open"},
                      SignalCase{SIGHUP, Moment::BoxOpen, "SIGHUP with the box open"}),
    [](const ::testing::TestParamInfo<SignalCase>& info) {
        return testing::CaseName(info.index, info.param.name);
    });

TEST(GameProgram, ARecordingThatStopsSaysSoInTheTitleAndTheGameGoesOn) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    testing::MovedClock clock;
    GameProgram program;
    ASSERT_FALSE(program.Prepare({"/dev/full", ""}));
    program.Start(&clock);
    ASSERT_TRUE(QTest::qWaitFor([&program] {
        return program.window().windowTitle().endsWith(
            " - recording stopped: No space left on device");
    }));
    EXPECT_TRUE(program.window().windowTitle().startsWith("Gyrolap - ver 2001.0516.1158"));
    // The game goes on.
    Advance(program, clock, 1700);
    auto* action = program.window().findChild<QPushButton*>("cmdAction");
    QTest::mousePress(action, Qt::LeftButton);
    Sync(program, clock);
    EXPECT_TRUE(program.driver().LatestSnapshot().state.Running);
    program.window().close();
    EXPECT_EQ(program.Finish(0), 2);
}

TEST(GameProgram, RecordingIntoAFileThatHoldsTextReplacesIt) {
    const fs::path path = Scratch("replaced");
    {
        std::ofstream old(path, std::ios::binary);
        for (int i = 0; i < 1000; ++i) old << "an older session's line " << i << '\n';
    }
    {
        Program game(path);
        game.Advance(100);
        game.program.window().close();
        EXPECT_EQ(game.program.Finish(0), 0);
        const std::vector<std::string> lines = Lines(path);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0].rfind("# A Gyrolap session recorded by gyrolap --record", 0), 0u);
        for (const std::string& line : lines)
            EXPECT_EQ(line.find("an older session"), std::string::npos) << line;
        ExpectEndsWithItsBoard(path);
    }
}

// A scratch home and data folder for one test, as a player's desktop sets them.
class DataHome {
  public:
    explicit DataHome(const std::string& name)
        : folder_(fs::temp_directory_path() /
                  ("gyrolap-program-home-" + std::to_string(::getpid()) + "-" + name)) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        for (const char* variable : {"HOME", "XDG_DATA_HOME"}) {
            const char* was = std::getenv(variable);
            saved_.emplace_back(variable, was ? std::optional<std::string>(was) : std::nullopt);
        }
        ::setenv("HOME", folder_.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (folder_ / "data").c_str(), 1);
    }
    ~DataHome() {
        for (const auto& [variable, was] : saved_) {
            if (was)
                ::setenv(variable.c_str(), was->c_str(), 1);
            else
                ::unsetenv(variable.c_str());
        }
        fs::remove_all(folder_);
    }
    fs::path folder() const { return folder_; }
    fs::path recordings() const { return folder_ / "data/gyrolap/recordings"; }

  private:
    fs::path folder_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The game as the launcher's Play and record starts it: old sessions cleared to make room, the
// session in a new file of the data folder, the title saying where, and the file marked as
// submitted the moment its text is on the clipboard, still written on to its end.
TEST(GameProgram, ARecordedSessionGoesIntoTheDataFolderAndIsMarkedOnceItsTextIsCopied) {
    DataHome home("session");
    fs::create_directories(home.recordings());
    for (const char* old : {"2020-01-01_10-00-00.submitted.gyrolap", "2020-01-02_10-00-00.gyrolap",
                            "2020-01-03_10-00-00.gyrolap", "my-own.gyrolap"}) {
        std::ofstream(home.recordings() / old) << "an old session\n";
    }
    GameOptions options;
    options.recordSession = true;
    options.keep = {2, std::uint64_t{1} << 30};
    testing::MovedClock clock{1000};
    GameProgram program;
    ASSERT_FALSE(program.Prepare(options));
    const fs::path started = program.recordingPath();
    EXPECT_EQ(started.parent_path(), home.recordings());
    EXPECT_TRUE(sim::IsSessionName(started.filename().string())) << started;
    // Room for one more within 2: the unsubmitted ones went, the player's own file stays.
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(home.recordings()))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"2020-01-01_10-00-00.submitted.gyrolap",
                                           "my-own.gyrolap", started.filename().string()}));

    program.Start(&clock);
    ASSERT_TRUE(QTest::qWaitFor([&program] { return program.driver().Started(); }));
    Sync(program, clock);
    const QString shown = "~/data/gyrolap/recordings/" + QString::fromStdString(started.filename());
    EXPECT_EQ(program.window().windowTitle(),
              "Gyrolap - ver 2001.0516.1158 - recording to " + shown);

    Advance(program, clock, 1700);
    QTest::mouseClick(program.window().findChild<QPushButton*>("cmdSubmitScore"), Qt::LeftButton);
    Sync(program, clock);
    const fs::path marked = sim::SubmittedPath(started.string());
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.recordingPath() == marked.string(); }));
    EXPECT_FALSE(fs::exists(started));
    EXPECT_TRUE(program.window().windowTitle().endsWith(
        QString::fromStdString(marked.filename().string())));
    auto* box = qobject_cast<QMessageBox*>(program.effects().OpenMessage());
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    Sync(program, clock);
    Advance(program, clock, 100);
    program.window().close();
    EXPECT_EQ(program.Finish(0), 0);
    ExpectEndsWithItsBoard(marked);
}

// The plain game, as the launcher starts it, writes no file, in the data folder or anywhere
// under the home folder, whatever the player does.
TEST(GameProgram, ThePlainGameWritesNoFile) {
    DataHome home("plain");
    testing::MovedClock clock{1000};
    GameProgram program;
    ASSERT_FALSE(program.Prepare({}));
    EXPECT_EQ(program.recordingPath(), "");
    program.Start(&clock);
    ASSERT_TRUE(QTest::qWaitFor([&program] { return program.driver().Started(); }));
    Sync(program, clock);
    EXPECT_EQ(program.window().windowTitle(), "Gyrolap - ver 2001.0516.1158");
    Advance(program, clock, 1700);
    auto* action = program.window().findChild<QPushButton*>("cmdAction");
    QTest::mouseClick(action, Qt::LeftButton);  // Start
    Sync(program, clock);
    QTest::mouseClick(action, Qt::LeftButton);  // long before the ring: a miss
    Sync(program, clock);
    for (const char* name : {"", "cmdSubmitScore"}) {
        if (auto* box = qobject_cast<QMessageBox*>(program.effects().OpenMessage())) {
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            Sync(program, clock);
        }
        Advance(program, clock, 2000);
        if (*name)
            QTest::mouseClick(program.window().findChild<QPushButton*>(name), Qt::LeftButton);
        Sync(program, clock);
    }
    program.window().close();
    EXPECT_EQ(program.Finish(0), 0);
    EXPECT_TRUE(fs::is_empty(home.folder())) << fs::directory_iterator(home.folder())->path();
}

// On the real clock the game's thread wakes itself at every deadline. Once the screen has caught
// up, the window paints the board the game's last change left, not the frame before it: the
// last ball of the start-up animation, the miss, and the last ball of the track the miss's reset
// lays out again.
TEST(GameProgram, OnTheRealClockTheWindowPaintsTheLastChangeOfEveryAnimation) {
    GameProgram program;
    ASSERT_FALSE(program.Prepare({}));
    program.Start();
    ASSERT_TRUE(QTest::qWaitFor([&program] { return program.driver().Started(); }));
    // Waits until the game has handed the window a frame with nothing on the clock, and then
    // until the game's thread has nothing more to do: `board` is the game's own board.
    const auto stillAt = [&program](std::size_t depth) {
        return QTest::qWaitFor(
            [&program, depth] {
                const Snapshot& latest = program.driver().LatestSnapshot();
                return latest.serial > 0 && !latest.wake && latest.depth == depth;
            },
            10000);
    };
    // With nothing on the clock and no input on its way, the latest snapshot is the game's board.
    const Board& board = program.driver().LatestSnapshot().board;

    ASSERT_TRUE(stillAt(0)) << "the start-up animation never ended";
    EXPECT_TRUE(testing::PaintsTheBoard(program.window(), board))
        << "the last ball of the start-up animation";

    auto* action = program.window().findChild<QPushButton*>("cmdAction");
    QTest::mousePress(action, Qt::LeftButton);  // Start, on one of balls 2 to 9
    QTest::mouseRelease(action, Qt::LeftButton);
    QTest::mousePress(action, Qt::LeftButton);  // long before the ring: a miss
    QTest::mouseRelease(action, Qt::LeftButton);
    ASSERT_TRUE(stillAt(2)) << "no miss";  // the run below, the miss waiting for its box
    EXPECT_TRUE(testing::PaintsTheBoard(program.window(), board)) << "the miss";
    auto* box = qobject_cast<QMessageBox*>(program.effects().OpenMessage());
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);

    ASSERT_TRUE(stillAt(0)) << "the reset's animation never ended";
    EXPECT_EQ(board.cmdAction, "Start");
    EXPECT_TRUE(testing::PaintsTheBoard(program.window(), board))
        << "the last ball of the track the reset laid out";
    program.window().close();
    EXPECT_EQ(program.Finish(0), 0);
}

// On the real clock, the game on its own thread and the recording on the writer's, a flood of
// presses, Submit Score clicks and OK clicks: whatever the timing, the recording replays to the
// window's last board. Under ThreadSanitizer, every hand-over between the threads is checked.
TEST(GameProgram, AFloodOfInputsOnTheRealClockIsRecordedAsAGameThatReplaysExactly) {
    const fs::path path = Scratch("flood");
    GameProgram program;
    ASSERT_FALSE(program.Prepare({path.string(), ""}));
    program.Start();
    ASSERT_TRUE(QTest::qWaitFor([&program] { return program.driver().Started(); }));
    auto* action = program.window().findChild<QPushButton*>("cmdAction");
    auto* submit = program.window().findChild<QPushButton*>("cmdSubmitScore");
    int boxesClosed = 0;
    for (int i = 0; i < 2700; ++i) {
        QCoreApplication::processEvents();
        if (auto* box = qobject_cast<QMessageBox*>(program.effects().OpenMessage())) {
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            ++boxesClosed;
        } else if (i % 7 == 3) {
            QTest::mouseClick(submit, Qt::LeftButton);
        } else {
            QTest::mousePress(action, Qt::LeftButton);
            QTest::mouseRelease(action, Qt::LeftButton);
        }
    }
    EXPECT_GT(boxesClosed, 0);
    program.window().close();
    EXPECT_EQ(program.Finish(0), 0);
    ExpectEndsWithItsBoard(path);
    fs::remove(path);
}

}  // namespace
}  // namespace gyrolap
