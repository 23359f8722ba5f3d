// The busy-wait driver; see SpinningDriver.h.
#include "SpinningDriver.h"

#include <QCoreApplication>

#include "game/Game.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"

namespace gyrolap {

SpinningDriver::SpinningDriver(Game& game, QtPlatform& platform, MainWindow& window)
    : game_(game), platform_(platform), window_(window) {
    platform_.AttachWindow(&window_);
    platform_.OnMessageClosed([this] { Handle([this] { game_.scheduler().MessageClosed(); }); });
    connect(&window_, &MainWindow::actionPressed, this,
            [this] { Handle([this] { game_.OnActionPress(); }); });
    connect(&window_, &MainWindow::submitClicked, this,
            [this] { Handle([this] { game_.OnSubmitClick(); }); });
    connect(&window_, &MainWindow::closing, this, [this] { Quit(); });
}

void SpinningDriver::Load() {
    game_.PrepareLoad();
    window_.setWindowTitle(QStringLiteral("Gyrolap - ver ") +
                           QString::fromStdString(game_.state().VersionText));
    window_.show();
    Handle([this] { game_.OnLoad(); });
}

template <class Handler>
void SpinningDriver::Handle(Handler&& handler) {
    if (quitting_) return;
    handler();
    Spin();
}

void SpinningDriver::Spin() {
    // An event handled inside the loop below returns into it, as a nested press returned
    // into the busy wait it interrupted.
    if (spinning_) return;
    spinning_ = true;
    for (;;) {
        game_.scheduler().Settle();
        emit settled();
        window_.renderBoard();
        // A message box waits in its own modal loop, not in ours.
        if (quitting_ || game_.scheduler().Idle() || game_.scheduler().WaitingForMessage()) break;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    spinning_ = false;
}

void SpinningDriver::Quit() {
    quitting_ = true;
    game_.scheduler().Clear();
}

}  // namespace gyrolap
