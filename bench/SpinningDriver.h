// The classic way to run the game's waits, kept only to measure ours against: after every
// event, spin until the top wait is over, pumping pending events and reading the clock on
// every pass. Exact enough, and it burns a whole core while a game runs.
#pragma once

#include <QObject>

namespace gyrolap {

class Game;
class MainWindow;
class QtPlatform;

class SpinningDriver final : public QObject {
    Q_OBJECT
  public:
    SpinningDriver(Game& game, QtPlatform& platform, MainWindow& window);
    void Load();
    void Quit();

  signals:
    void settled();

  private:
    template <class Handler>
    void Handle(Handler&& handler);
    void Spin();

    Game& game_;
    QtPlatform& platform_;
    MainWindow& window_;
    bool spinning_ = false;
    bool quitting_ = false;
};

}  // namespace gyrolap
