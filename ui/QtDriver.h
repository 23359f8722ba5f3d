// Runs the game's activity stack inside Qt's one event loop: window events start handlers, one
// precise wake-up is armed for the instant the top activity's wait ends, and the window repaints
// from the board no more often than the screen can show. Nothing spins; nothing nests loops.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "ui/WakeUpTimer.h"

namespace gyrolap {

class Game;
class MainWindow;
class QtPlatform;

class QtDriver final : public QObject {
    Q_OBJECT
  public:
    QtDriver(Game& game, QtPlatform& platform, MainWindow& window, QObject* parent = nullptr);

    // Start-up, in the order of the load handler: size and centre the window, the state, the
    // caption, show, then the reset with its level 1 animation in view.
    void Load();

    // End every due wait, arm the timer for the next deadline, and render. Runs after every
    // event the game handles and whenever the timer fires.
    void Pump();

    // Close: drop every suspended handler without resuming it and stop the timers.
    void Quit();

    // Hand the board to the window now if a frame is pending; for the tests, which run
    // faster than the screen.
    void FlushFrame() {
        if (frame_.isActive()) {
            sinceRender_.invalidate();
            Render();
        }
    }

    // Milliseconds until the armed wake-up, or -1 when none is armed; for the tests.
    int ArmedDelay() const { return wakeUp_.IsActive() ? armedDelay_ : -1; }

  signals:
    // Every due wait has ended and the top activity waits again; for the benches.
    void settled();
    // The board was handed to the window; for the benches.
    void rendered();

  private:
    template <class Handler>
    void Handle(Handler&& handler);
    void ArmWakeUp();
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
};

}  // namespace gyrolap
