// SPDX-License-Identifier: MIT
// The game as gyrolap runs it; see GameProgram.h.
#include "app/GameProgram.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QSocketNotifier>
#include <QUrl>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "realtime/RealtimeRequest.h"
#include "sim/Replay.h"
#include "sim/RunScript.h"
#include "ui/Links.h"
#include "ui/ReplayDriver.h"

namespace gyrolap {
namespace {

// The signals only write a byte; the window's event loop does the rest.
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

// SIGINT, SIGTERM and SIGHUP (the terminal the game was started from closes) close the window
// as the close box does, so that a recording still ends with its last board. They are caught
// from before the window exists: one that comes early waits in the pipe for the window.
void CatchSignals() {
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

void CloseOnSignals(QWidget& window) {
    if (signalPipe[0] < 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        window.close();
    });
}

// Reads the recording (or script) through on the virtual clock: one that cannot be read or
// played to its end is refused before the window opens, not halfway through the playback. A
// recording cut short is said to be so, and plays up to its cut.
std::optional<int> CheckReplay(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "gyrolap: cannot open '%s': %s\n", path.c_str(), std::strerror(errno));
        return 2;
    }
    const auto outcome = sim::ReplayThrough(file, {});
    if (!outcome.Played()) {
        std::fprintf(stderr, "gyrolap: %s\n", outcome.reason.c_str());
        return outcome.failure == sim::ReplayFailure::NoRandomLeft ? sim::kExitNoRandom : 2;
    }
    if (outcome.cutAfterLine)
        std::fprintf(stderr, "gyrolap: %s\n", sim::CutNotice(*outcome.cutAfterLine).c_str());
    return std::nullopt;
}

}  // namespace

GameProgram::~GameProgram() {
    Finish(0);
}

std::optional<int> GameProgram::Prepare(const GameOptions& options) {
    options_ = options;
    // A recording's reader that goes away is a failed write, not the end of the game.
    std::signal(SIGPIPE, SIG_IGN);
    CatchSignals();
    if (!options_.record.empty()) {
        std::string error;
        recording_ = sim::RecordingFile::Open(options_.record, error);
        if (!recording_) {
            std::fprintf(stderr, "gyrolap: cannot write the recording '%s': %s\n",
                         options_.record.c_str(), error.c_str());
            return 2;
        }
    }
    if (!options_.replay.empty()) {
        if (const auto status = CheckReplay(options_.replay)) return status;
        // The check read the file through; the window plays it from the start again, as it
        // reads it.
        replayFile_.open(options_.replay, std::ios::binary);
        try {
            replay_ = sim::OpenScript(replayFile_, sim::kDefaultMaxScriptBytes);
        } catch (const sim::ScriptError& error) {
            std::fprintf(stderr, "gyrolap: %s\n", sim::Describe(error).c_str());
            return 2;
        }
    }
    return std::nullopt;
}

void GameProgram::Start(GameClock* clock) {
    GameClock& time = clock ? *clock : steadyClock_;
    window_ = std::make_unique<MainWindow>();
    CloseOnSignals(*window_);
    // The logo is a link to the maker's web site; whether the desktop can open it or not, the
    // game goes on.
    QObject::connect(window_.get(), &MainWindow::logoClicked, [] {
        QDesktopServices::openUrl(QUrl(
            QString::fromUtf8(kWebAddress.data(), static_cast<qsizetype>(kWebAddress.size()))));
    });
    if (replay_) {
        if (options_.verbose)
            std::fputs("gyrolap: game thread: normal (a replay plays on the window's thread)\n",
                       stderr);
        effects_ = std::make_unique<QtEffects>(*window_, QtEffects::Mode::Watching);
        driver_ = std::make_unique<ReplayDriver>(std::move(replay_), time, *effects_, *window_);
        driver_->Start();
        return;
    }
    effects_ = std::make_unique<QtEffects>(*window_);
    game_ = std::make_unique<Game>(sources_, *effects_);
    if (recording_) {
        writer_ = std::make_unique<sim::ScriptWriter>(
            [this](std::string line) { recording_->Write(std::move(line)); });
        game_->SetLog(writer_.get());
        // The player hears at once that the recording stopped; the game goes on.
        recording_->OnStopped([this](const std::string& reason) {
            std::fprintf(stderr, "gyrolap: the recording '%s' stopped: %s\n",
                         options_.record.c_str(), reason.c_str());
            effects_->windowThread().Post(
                [this, reason] { window_->showRecordingStopped(reason); });
        });
    }
    auto live = std::make_unique<LiveDriver>(*game_, time, *effects_, *window_);
    // Only the game's thread: the window's thread and its painting keep their priority.
    live->OnGameThreadStart([verbose = options_.verbose] {
        const auto outcome = realtime::MakeThisThreadRealtime();
        if (verbose)
            std::fprintf(stderr, "gyrolap: game thread: %s\n", realtime::Describe(outcome).c_str());
    });
    live_ = live.get();
    driver_ = std::move(live);
    driver_->Start();
}

int GameProgram::Finish(int loopStatus) {
    if (finished_) return loopStatus;
    finished_ = true;
    // The game ends (and the recording gets its last lines) before the file is closed.
    if (driver_) driver_->Quit();
    int status = loopStatus;
    if (recording_ && !recording_->Close()) {
        std::fprintf(stderr, "gyrolap: the recording '%s' is incomplete: %s\n",
                     options_.record.c_str(), recording_->Stopped().value_or("").c_str());
        if (status == 0) status = 2;
    }
    // The widgets go while the application that made them still exists.
    live_ = nullptr;
    driver_.reset();
    game_.reset();
    writer_.reset();
    effects_.reset();
    window_.reset();
    return status;
}

}  // namespace gyrolap
