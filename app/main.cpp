// SPDX-License-Identifier: MIT
// gyrolap: the game in its window. `--record FILE` writes the session down as it is played;
// `--replay FILE` plays such a recording (or any simulator script) back in the window.
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "game/Game.h"
#include "sim/RecordingFile.h"
#include "sim/Replay.h"
#include "sim/ScriptSource.h"
#include "sim/ScriptWriter.h"
#include "sim/Simulator.h"
#include "ui/MainWindow.h"
#include "ui/QtDriver.h"
#include "ui/QtPlatform.h"

namespace {

constexpr const char* kUsage =
    "usage: gyrolap [--record FILE | --replay FILE]\n"
    "       gyrolap --help | --version\n"
    "Plays Gyrolap in a window.\n"
    "  --record FILE  also write the session to FILE as a gyrolap-sim script, line by line\n"
    "  --replay FILE  play a recording (or any gyrolap-sim script) back in the window\n"
    "  --help         show this text and exit\n"
    "  --version      show the version and exit\n"
    "Exit status: 0 when the window is closed, 2 for bad usage or a FILE that cannot be\n"
    "written or read, 3 when a replayed script runs out of random values.\n";

struct Options {
    std::string record;
    std::string replay;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "gyrolap: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// Parses the command line; returns an exit status when the program should end at once.
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("gyrolap %s\n", gyrolap::kVersionText);
            return 0;
        }
        if (arg == "--record" || arg == "--replay") {
            if (i + 1 >= argc) return UsageError(std::string(arg) + " needs a FILE");
            (arg == "--record" ? options.record : options.replay) = argv[++i];
            continue;
        }
        // Qt's own options (-platform, -style, ...) are for QApplication.
        if (arg.starts_with("--")) return UsageError("unknown option " + std::string(arg));
    }
    if (!options.record.empty() && !options.replay.empty())
        return UsageError("--record and --replay cannot go together");
    return std::nullopt;
}

// SIGINT, SIGTERM and SIGHUP (the terminal the game was started from closes) close the window as
// the close box does, so that a recording still ends with its last board. The handler only
// writes a byte; the event loop does the rest.
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

void CloseOnSignals(QWidget& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

// Reads the recording (or script) through on the virtual clock before the window opens: one that
// cannot be read or played to its end is refused now, not halfway through the playback. A
// recording cut short is said to be so, and plays up to its cut.
std::optional<int> CheckReplay(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "gyrolap: cannot open '%s': %s\n", path.c_str(), std::strerror(errno));
        return 2;
    }
    const auto outcome = gyrolap::sim::ReplayThrough(file, {});
    if (!outcome.Played()) {
        std::fprintf(stderr, "gyrolap: %s\n", outcome.reason.c_str());
        return outcome.failure == gyrolap::sim::ReplayFailure::NoRandomLeft
                   ? gyrolap::sim::kExitNoRandom
                   : 2;
    }
    if (outcome.cutAfterLine) {
        std::fprintf(stderr, "gyrolap: %s\n",
                     gyrolap::sim::CutNotice(*outcome.cutAfterLine).c_str());
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef __linux__
    // Timer slack is per thread. The window's thread wakes a replay at its precise instants,
    // and the default 50 us of slack would be added to each of those wake-ups. (The game's
    // own thread sets its slack itself.)
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    Options options;
    // --help and --version need no display, so they come before Qt opens one.
    if (const auto status = ParseOptions(argc, argv, options)) return *status;

    // A recording's reader that goes away is a failed write, not the end of the game.
    std::signal(SIGPIPE, SIG_IGN);

    // Whatever the command line names is checked before the window opens.
    std::unique_ptr<gyrolap::sim::RecordingFile> recording;
    if (!options.record.empty()) {
        std::string error;
        recording = gyrolap::sim::RecordingFile::Open(options.record, error);
        if (!recording) {
            std::fprintf(stderr, "gyrolap: cannot write the recording '%s': %s\n",
                         options.record.c_str(), error.c_str());
            return 2;
        }
    }
    std::ifstream replayFile;
    std::unique_ptr<gyrolap::sim::ScriptSource> script;
    if (!options.replay.empty()) {
        if (const auto status = CheckReplay(options.replay)) return *status;
        // The check read the file through; the window plays it from the start again, as it
        // reads it.
        replayFile.open(options.replay, std::ios::binary);
        try {
            script = gyrolap::sim::OpenScript(replayFile, gyrolap::sim::kDefaultMaxScriptBytes);
        } catch (const gyrolap::sim::ScriptError& error) {
            std::fprintf(stderr, "gyrolap: %s\n", gyrolap::sim::Describe(error).c_str());
            return 2;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Gyrolap"));
    QApplication::setDesktopFileName(QStringLiteral(GYROLAP_APP_ID));

    gyrolap::QtPlatform platform;
    gyrolap::Game game(platform);
    gyrolap::sim::ScriptWriter writer(
        [&recording](std::string line) { recording->Write(std::move(line)); });
    if (recording) game.SetLog(&writer);
    gyrolap::MainWindow window(game.board());
    gyrolap::QtDriver driver(game, platform, window);
    CloseOnSignals(window);
    if (recording) {
        // The player hears at once that the recording stopped; the game goes on.
        recording->OnStopped([&options, &platform, &window](const std::string& reason) {
            std::fprintf(stderr, "gyrolap: the recording '%s' stopped: %s\n",
                         options.record.c_str(), reason.c_str());
            platform.PostToWindow([&window, reason] { window.showRecordingStopped(reason); });
        });
    }

    if (!options.replay.empty()) {
        driver.Replay(std::move(script));
    } else {
        driver.Load();
    }
    int status = QApplication::exec();
    // However the event loop ended, the game ends (and the recording gets its last lines)
    // before the recording's file is closed.
    driver.Quit();

    if (recording && !recording->Close()) {
        std::fprintf(stderr, "gyrolap: the recording '%s' is incomplete: %s\n",
                     options.record.c_str(), recording->Stopped().value_or("").c_str());
        if (status == 0) status = 2;
    }
    return status;
}
