// SPDX-License-Identifier: MIT
// Runs the game beside Qt's event loop: the game lives on a thread of its own (GameThread),
// where its waits end on time whatever the window is painting; the window's presses and clicks
// reach it with the clock reading of the moment they arrived, and the window paints the latest
// board no more often than the screen can show. Or it plays a recording back at its real speed
// on the window's thread, the player's input ignored. Nothing spins; nothing nests loops.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "game/GameThread.h"
#include "game/Input.h"
#include "game/VirtualDriver.h"
#include "ui/WakeUpTimer.h"

namespace gyrolap {

class Game;
class MainWindow;
class QtPlatform;

namespace sim {
class Playback;
class ScriptSource;
}  // namespace sim

class QtDriver : public QObject {
    Q_OBJECT
  public:
    QtDriver(Game& game, QtPlatform& platform, MainWindow& window, QObject* parent = nullptr);
    ~QtDriver() override;

    // Start-up, in the order of the load handler: size and centre the window, the state, the
    // caption, show, then, once the window is on the screen, the reset with its level 1
    // animation in view.
    void Load();

    // Instead of Load: plays the script back in the window at its real speed, the same board at
    // the same instants, and leaves the last board standing when it is over. The player's
    // presses and clicks do nothing meanwhile.
    void Replay(std::unique_ptr<sim::ScriptSource> script);

    // One input from the player, read against the clock now.
    void Deliver(Input input);

    // The timer's wake-up, for a clock that the tests move: they play the timer. (On the real
    // clock the game's thread wakes itself.)
    void Pump();

    // Close: nothing more is delivered, no wait resumes, the log hears the final board.
    void Quit();

    // Whether the game has started: the window has been on the screen with its first frame.
    bool Started() const { return started_; }
    // The game as its last change left it; on the window's thread.
    const Snapshot& LatestSnapshot() const { return snapshot_; }
    bool PlaybackOver() const;

    // For the tests, on a clock they move: returns once the game's thread has handled all it
    // was given and what it asked of the window has been done, and hands the board to the
    // window now (the tests run faster than the screen).
    void Sync();
    void FlushFrame() {
        Sync();
        if (renderTimer_.isActive()) {
            sinceRender_.invalidate();
            Render();
        }
    }
    // The instant the game's thread sleeps until, in milliseconds from now, or -1 when it
    // sleeps until an input comes; for the tests.
    int ArmedDelay() const;

  signals:
    // The game changed and LatestFrame has the new board; for the benches.
    void settled();
    // The board was handed to the window; for the benches.
    void rendered();

  protected:
    // How the game's thread keeps time and waits: on the real clock, asleep until the instant
    // the top wait ends; on a clock the tests move, until they post a wake-up.
    virtual std::unique_ptr<GameThread::Timing> MakeTiming();
    QtPlatform& platform() { return platform_; }

  private:
    template <class Action>
    void Guarded(Action&& action);
    void ShowWindow();
    void WhenOnScreen(std::function<void()> start);
    void TakeSnapshot();
    void PlayDue();
    void Render();
    void Fail(const char* what);

    Game& game_;
    QtPlatform& platform_;
    MainWindow& window_;
    QTimer renderTimer_;
    QElapsedTimer sinceRender_;
    bool quitting_ = false;
    bool started_ = false;

    // Live play: the game's thread and the latest frame it published.
    std::unique_ptr<GameThread::Timing> timing_;
    std::unique_ptr<GameThread> thread_;
    std::atomic<bool> snapshotPending_{false};
    Snapshot snapshot_;

    // Playing a recording back, on the window's thread: its clock, its answers, and when (on
    // the platform's clock) it started; one precise wake-up for its next happening.
    WakeUpTimer wakeUp_;
    int armedDelay_ = -1;
    std::unique_ptr<sim::ScriptSource> playbackScript_;
    std::unique_ptr<VirtualDriver> playbackClock_;
    std::unique_ptr<sim::Playback> playback_;
    std::uint64_t playbackStart_ = 0;
};

}  // namespace gyrolap
