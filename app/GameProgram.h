// SPDX-License-Identifier: MIT
// The game as `gyrolap` runs it: what the command line names checked before any window opens,
// then the window with the game played live on its own thread (or a recording played back), the
// recording written as the game is played, and the signals that close the window as its close
// box does.
#pragma once

#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "game/Clock.h"
#include "game/Game.h"
#include "sim/RecordingFile.h"
#include "sim/ScriptSource.h"
#include "sim/ScriptWriter.h"
#include "sim/SessionFolder.h"
#include "ui/LiveDriver.h"
#include "ui/MainWindow.h"
#include "ui/QtEffects.h"
#include "ui/QtSources.h"
#include "ui/WindowDriver.h"

namespace gyrolap {

struct GameOptions {
    std::string record;    // write the session to this file
    std::string replay;    // play this recording or script back
    bool verbose = false;  // say on standard error which priority the game's thread got
    // Record into a new file of the sessions' folder, keeping the folder within `keep`.
    bool recordSession = false;
    sim::KeepLimits keep = {};
};

class GameProgram {
  public:
    GameProgram() = default;
    ~GameProgram();
    GameProgram(const GameProgram&) = delete;
    GameProgram& operator=(const GameProgram&) = delete;

    // Before the application exists: opens the recording's file, reads the replayed one through.
    // An exit status, after a message on standard error, when the program must end now.
    std::optional<int> Prepare(const GameOptions& options);

    // With the application made: the window, the game started (or the replay), and SIGINT,
    // SIGTERM and SIGHUP closing the window. The game's thread asks for real-time scheduling as
    // it starts. The game keeps time by the steady clock, or by `clock` when one is handed in
    // (it must outlive the program).
    void Start(GameClock* clock = nullptr);

    // After the event loop, however it ended: the game ends, the recording gets its last
    // board and its end, and its file is closed; the window goes. The program's exit status.
    int Finish(int loopStatus);

    MainWindow& window() { return *window_; }
    QtEffects& effects() { return *effects_; }
    WindowDriver& driver() { return *driver_; }
    // The live game's driver; nothing while a recording plays back.
    LiveDriver* live() { return live_; }

    // Where the session is being recorded (a session's file changes its name once its text
    // has gone to the clipboard); empty when it is not.
    std::string recordingPath() const;

  private:
    std::optional<int> PrepareSession();
    void SetRecordingPath(std::string path);
    // On the window's thread, once the session's first text is on the clipboard.
    void MarkSubmitted();

    GameOptions options_;
    mutable std::mutex recordingPathLock_;  // the writer's thread reads it when it stops
    std::string recordingPath_;
    std::unique_ptr<Effects> marking_;  // the game's effects, telling of the first text
    std::unique_ptr<sim::RecordingFile> recording_;
    std::ifstream replayFile_;
    std::unique_ptr<sim::ScriptSource> replay_;
    SteadyClock steadyClock_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<QtEffects> effects_;
    QtSources sources_;
    std::unique_ptr<Game> game_;
    std::unique_ptr<sim::ScriptWriter> writer_;
    std::unique_ptr<WindowDriver> driver_;
    LiveDriver* live_ = nullptr;
    bool finished_ = false;
};

}  // namespace gyrolap
