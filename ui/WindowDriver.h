// SPDX-License-Identifier: MIT
// What the two ways of playing in the window share (the game played live, a recording played
// back): the window shown centred with its caption, the game started only once the window is on
// the screen, the game's snapshots painted no faster than the screen can show them, and an
// unexpected error said and the program ended.
#pragma once

#include <QElapsedTimer>
#include <QMargins>
#include <QObject>
#include <QTimer>
#include <functional>

#include "game/Snapshot.h"

namespace gyrolap {

class MainWindow;
class QtEffects;

class WindowDriver : public QObject {
    Q_OBJECT
  public:
    WindowDriver(MainWindow& window, QtEffects& effects, QObject* parent = nullptr);
    ~WindowDriver() override;

    // Start-up: the window is sized, centred, captioned and shown, and the game starts once it
    // is on the screen with its first frame.
    void Start();
    // Close: the game ends at once, whatever it was doing.
    virtual void Quit() = 0;

    // Paints no more often than every `ms` milliseconds (by default, as often as the screen
    // refreshes); 0 paints every snapshot as it comes.
    void SetPaintInterval(int ms) { paintInterval_ = ms; }

    // Whether the game has started: the window has been on the screen with its first frame.
    bool Started() const { return started_; }
    // The game as the last snapshot the window was handed showed it.
    const Snapshot& LatestSnapshot() const { return snapshot_; }

  signals:
    // A snapshot arrived: LatestSnapshot has it.
    void snapshotArrived();

  protected:
    // Starts the game: the window is on the screen.
    virtual void Begin() = 0;
    // Paints `snapshot`, now or at the screen's next frame.
    void Show(Snapshot snapshot);
    // Paints `snapshot` at once, the window's frame included, before anything else happens: the
    // game's first board, whose first ball's wait has just begun.
    void ShowNow(Snapshot snapshot);
    // Stops painting: the game is over.
    void StopPainting();
    // Like any unexpected run-time error: the game ends, standard error and a box say what went
    // wrong, and the program ends with status 1 once the box is closed.
    void Fail(const char* what);

    MainWindow& window_;
    QtEffects& effects_;
    bool quitting_ = false;

  private:
    void Render();
    // The window's frame as the window system says it is (nothing where it is not known yet),
    // and centring the window with it.
    QMargins Frame() const;
    void Centre(const QMargins& frame);

    bool started_ = false;
    int paintInterval_ = -1;  // the screen's refresh interval
    QMargins centredWith_;
    Snapshot snapshot_;
    QTimer renderTimer_;
    QElapsedTimer sinceRender_;
};

}  // namespace gyrolap
