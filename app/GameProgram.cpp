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
#include <ctime>
#include <functional>
#include <utility>

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

// The window's effects, and one word to the program the first time a text goes to the clipboard.
class MarkingEffects final : public Effects {
  public:
    MarkingEffects(Effects& effects, std::function<void()> firstText)
        : effects_(effects), firstText_(std::move(firstText)) {}
    void ShowMessage(std::string_view title, std::string_view text) override {
        effects_.ShowMessage(title, text);
    }
    void HandOverSubmission(std::string_view text) override {
        effects_.HandOverSubmission(text);
        if (firstText_) std::exchange(firstText_, {})();
    }
    void FocusActionButton() override { effects_.FocusActionButton(); }

  private:
    Effects& effects_;
    std::function<void()> firstText_;  // on the game's thread
};

// A path as the player reads it in the title: below the home folder as ~/...
QString Shown(const std::string& path) {
    const QString full = QString::fromLocal8Bit(path.c_str());
    const QString home = qEnvironmentVariable("HOME");
    if (home.startsWith('/') && full.startsWith(home + '/')) return "~" + full.mid(home.size());
    return full;
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
    if (options_.recordSession) {
        if (const auto status = PrepareSession()) return status;
    } else if (!options_.record.empty()) {
        SetRecordingPath(options_.record);
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

std::optional<int> GameProgram::PrepareSession() {
    std::string error;
    const auto folder =
        sim::SessionsFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), error);
    if (!folder || !sim::MakeFolder(*folder, error)) {
        std::fprintf(stderr, "gyrolap: cannot record the session: %s\n", error.c_str());
        return 2;
    }
    // Room is made before the new file exists, so the clean-up can never take it.
    for (const std::string& problem : sim::KeepWithin(*folder, options_.keep).errors)
        std::fprintf(stderr, "gyrolap: keeping the recordings: %s\n", problem.c_str());
    const auto session = sim::CreateSession(*folder, std::time(nullptr), error);
    if (!session) {
        std::fprintf(stderr, "gyrolap: cannot record the session: %s\n", error.c_str());
        return 2;
    }
    recording_ = std::make_unique<sim::RecordingFile>(session->fd);
    SetRecordingPath(session->path);
    std::fprintf(stderr, "gyrolap: recording the session to '%s'\n", session->path.c_str());
    return std::nullopt;
}

std::string GameProgram::recordingPath() const {
    std::lock_guard lock(recordingPathLock_);
    return recordingPath_;
}

void GameProgram::SetRecordingPath(std::string path) {
    std::lock_guard lock(recordingPathLock_);
    recordingPath_ = std::move(path);
}

void GameProgram::MarkSubmitted() {
    const std::string from = recordingPath();
    const std::string to = sim::SubmittedPath(from);
    // The file keeps being written through its open descriptor under its new name.
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        std::fprintf(stderr, "gyrolap: cannot mark '%s' as submitted: %s\n", from.c_str(),
                     std::strerror(errno));
        return;
    }
    SetRecordingPath(to);
    if (window_) window_->showRecordingTo(Shown(to));
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
    Effects* gameEffects = effects_.get();
    if (recording_ && options_.recordSession) {
        // The session's name says, from the moment it happens, that a text went to the
        // clipboard: the folder's clean-up spares it without reading it.
        marking_ = std::make_unique<MarkingEffects>(
            *effects_, [this] { effects_->windowThread().Post([this] { MarkSubmitted(); }); });
        gameEffects = marking_.get();
    }
    game_ = std::make_unique<Game>(sources_, *gameEffects);
    if (recording_) {
        writer_ = std::make_unique<sim::ScriptWriter>(
            [this](std::string line) { recording_->Write(std::move(line)); });
        game_->SetLog(writer_.get());
        // The player hears at once that the recording stopped; the game goes on.
        recording_->OnStopped([this](const std::string& reason) {
            std::fprintf(stderr, "gyrolap: the recording '%s' stopped: %s\n",
                         recordingPath().c_str(), reason.c_str());
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
    if (recording_ && options_.recordSession) window_->showRecordingTo(Shown(recordingPath()));
}

int GameProgram::Finish(int loopStatus) {
    if (finished_) return loopStatus;
    finished_ = true;
    // The game ends (and the recording gets its last lines) before the file is closed.
    if (driver_) driver_->Quit();
    int status = loopStatus;
    if (recording_ && !recording_->Close()) {
        std::fprintf(stderr, "gyrolap: the recording '%s' is incomplete: %s\n",
                     recordingPath().c_str(), recording_->Stopped().value_or("").c_str());
        if (status == 0) status = 2;
    }
    // The widgets go while the application that made them still exists.
    live_ = nullptr;
    driver_.reset();
    game_.reset();
    marking_.reset();
    writer_.reset();
    effects_.reset();
    window_.reset();
    return status;
}

}  // namespace gyrolap
