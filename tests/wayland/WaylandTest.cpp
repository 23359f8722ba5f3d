// SPDX-License-Identifier: MIT
// The game on a real Wayland compositor (weston, headless, started by the test itself): start,
// a miss and its box, help, close; and what a compositor may do to a window of fixed design,
// maximise it or make it fullscreen, ends nothing: the window goes back to its own size and the
// game plays on. A window that broke the protocol would be disconnected, and the process end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <filesystem>
#include <string>
#include <vector>

#include "app/GameProgram.h"
#include "support/MovedClock.h"
#include "support/ProgramSteps.h"
#include "ui/HelpWindow.h"

extern char** environ;

namespace gyrolap {
namespace {

namespace fs = std::filesystem;

// The test's own compositor: weston on its headless backend, on a socket in a private runtime
// folder.
class Compositor {
  public:
    bool Start() {
        char folder[] = "/tmp/gyrolap-wayland-XXXXXX";
        if (!::mkdtemp(folder)) return false;
        runtime_ = folder;
        ::setenv("XDG_RUNTIME_DIR", folder, 1);
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ::inotify_add_watch(watch, folder, IN_CREATE);
        std::vector<std::string> args = {"weston",
                                         "--backend=headless-backend.so",
                                         "--socket=gyrolap-test",
                                         "--idle-time=0",
                                         "--width=1024",
                                         "--height=768"};
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const bool spawned =
            ::posix_spawnp(&pid_, "weston", &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        if (!spawned) return false;
        // Ready once its socket is there: waited for on the folder, not on the clock.
        const fs::path socket = runtime_ / "gyrolap-test";
        while (!fs::exists(socket)) {
            pollfd ready{watch, POLLIN, 0};
            if (::poll(&ready, 1, 10000) <= 0) break;
            char events[4096];
            [[maybe_unused]] const auto got = ::read(watch, events, sizeof events);
        }
        ::close(watch);
        ::setenv("WAYLAND_DISPLAY", "gyrolap-test", 1);
        return fs::exists(socket);
    }
    ~Compositor() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        if (!runtime_.empty()) fs::remove_all(runtime_);
    }

  private:
    pid_t pid_ = -1;
    fs::path runtime_;
};

using testing::Advance;
using testing::Sync;

// The compositor maximises `window`, then makes it fullscreen, as its decoration's buttons and
// the desktop's keys do: each time the window comes back to its own size, and nothing ends.
void ComesBackFromWhatTheCompositorDoes(QWidget& window, QSize own) {
    for (const Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
        SCOPED_TRACE(state == Qt::WindowMaximized ? "maximised" : "fullscreen");
        window.windowHandle()->setWindowStates(state);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return window.windowState() == Qt::WindowNoState && window.size() == own; }));
        window.repaint();
    }
}

TEST(Wayland, TheGamePlaysAndItsWindowsSurviveMaximiseAndFullscreen) {
    ASSERT_TRUE(QGuiApplication::platformName().startsWith("wayland"))
        << QGuiApplication::platformName().toStdString();
    testing::MovedClock clock{1000};
    GameProgram program;
    ASSERT_FALSE(program.Prepare({}));
    program.Start(&clock);
    ASSERT_TRUE(QTest::qWaitFor([&program] { return program.driver().Started(); }));
    Sync(program, clock);
    MainWindow& window = program.window();
    ComesBackFromWhatTheCompositorDoes(window, QSize(544, 397));

    // Start, and a press outside the ring: the miss and its box.
    Advance(program, clock, 1700);
    auto* action = window.findChild<QPushButton*>("cmdAction");
    QTest::mousePress(action, Qt::LeftButton);
    QTest::mouseRelease(action, Qt::LeftButton);
    Sync(program, clock);
    Advance(program, clock, 30);
    const auto inRing = [&program] {
        const GameState& s = program.driver().LatestSnapshot().state;
        return s.RingFlags[static_cast<std::size_t>(s.BallIndex)];
    };
    while (inRing()) Advance(program, clock, 1);
    QTest::mousePress(action, Qt::LeftButton);
    Sync(program, clock);
    auto* box = qobject_cast<QMessageBox*>(program.effects().OpenMessage());
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    Sync(program, clock);
    EXPECT_EQ(program.driver().LatestSnapshot().board.cmdAction, "Start");

    // Help, in its own window, which survives the same.
    QTest::mouseClick(window.findChild<QPushButton*>("cmdHelp"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window.helpWindow() != nullptr; }));
    HelpWindow* help = window.helpWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    ComesBackFromWhatTheCompositorDoes(*help, QSize(446, 392));
    help->close();

    // The game plays on after all that, and closes as it should.
    Advance(program, clock, 100);
    window.close();
    EXPECT_EQ(program.Finish(0), 0);
}

}  // namespace
}  // namespace gyrolap

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs this program too: no compositor is needed to list the tests.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    gyrolap::Compositor compositor;
    if (!compositor.Start()) {
        std::fprintf(stderr, "wayland_tests: cannot start weston's headless compositor\n");
        return 1;
    }
    ::setenv("QT_QPA_PLATFORM", "wayland", 1);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
