// Runs the game's activity stack inside Qt's one event loop: window events start handlers, one
// precise single-shot timer wakes the top activity at its deadline, and the window repaints
// from the board no more often than the screen can show. Nothing spins; nothing nests loops.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

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
    int ArmedDelay() const { return wakeUp_.isActive() ? wakeUp_.interval() : -1; }

  signals:
    // The board changed and was handed to the window; for the timing bench.
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
    QTimer wakeUp_;
    QTimer frame_;
    QElapsedTimer sinceRender_;
    bool quitting_ = false;
};

}  // namespace gyrolap
