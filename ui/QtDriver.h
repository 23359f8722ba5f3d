// Runs the game inside Qt's one event loop: the window's presses and clicks become the game's
// inputs, each with the clock reading of the moment it arrived; one precise wake-up is armed for
// the instant the top wait ends; and the window repaints from the board no more often than the
// screen can show. Or it plays a recording back at its real speed, the player's input ignored.
// Nothing spins; nothing nests loops.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "game/Input.h"
#include "game/VirtualDriver.h"
#include "ui/WakeUpTimer.h"

namespace gyrolap {

class Game;
class MainWindow;
class QtPlatform;

namespace sim {
class Playback;
class ScriptAnswers;
struct Script;
}  // namespace sim

class QtDriver : public QObject {
    Q_OBJECT
  public:
    QtDriver(Game& game, QtPlatform& platform, MainWindow& window, QObject* parent = nullptr);
    ~QtDriver() override;

    // Start-up, in the order of the load handler: size and centre the window, the state, the
    // caption, show, then the reset with its level 1 animation in view.
    void Load();

    // Instead of Load: plays `script` back in the window at its real speed, the same board at the
    // same instants, and leaves the last board standing when it is over. The player's presses
    // and clicks do nothing meanwhile. The script must outlive the driver.
    void Replay(const sim::Script& script);

    // One input from the player, read against the clock now.
    void Deliver(Input input);

    // The wake-up: end every due wait, arm the timer for the next deadline, and render. Runs
    // whenever the timer fires; the tests call it after moving their clock.
    void Pump();

    // Close: the log hears the final board, every suspended handler is dropped without
    // resuming, and the timers stop.
    void Quit();

    // Hand the board to the window now if a frame is pending; for the tests, which run
    // faster than the screen.
    void FlushFrame() {
        if (frame_.isActive()) {
            sinceRender_.invalidate();
            Render();
        }
    }

    // Whether the game has started: the window has been on the screen with its first frame.
    bool Started() const { return started_; }
    // Milliseconds until the armed wake-up, or -1 when none is armed; for the tests.
    int ArmedDelay() const { return wakeUp_.IsActive() ? armedDelay_ : -1; }
    bool PlaybackOver() const;

  signals:
    // Every due wait has ended and the top activity waits again; for the benches.
    void settled();
    // The board was handed to the window; for the benches.
    void rendered();

  protected:
    // How the driver waits until `wake` (on the platform's clock; nothing when no wait is on
    // the clock): here one precise wake-up, armed for that instant; the process sleeps.
    virtual void WaitFor(std::uint64_t now, std::optional<std::uint64_t> wake);
    bool Quitting() const { return quitting_; }
    Game& game() { return game_; }
    QtPlatform& platform() { return platform_; }

  private:
    template <class Action>
    void Guarded(Action&& action);
    void ShowWindow();
    void PlayDue();
    void Render();
    void Fail(const char* what);

    Game& game_;
    QtPlatform& platform_;
    MainWindow& window_;
    WakeUpTimer wakeUp_;
    int armedDelay_ = -1;
    QTimer frame_;
    QElapsedTimer sinceRender_;
    bool quitting_ = false;
    bool started_ = false;

    // Playing a recording back: its clock, and when (on the platform's clock) it started.
    std::unique_ptr<VirtualDriver> playbackClock_;
    std::unique_ptr<sim::ScriptAnswers> answers_;
    std::unique_ptr<sim::Playback> playback_;
    std::uint64_t playbackStart_ = 0;
};

}  // namespace gyrolap
