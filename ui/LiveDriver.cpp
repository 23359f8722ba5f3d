// SPDX-License-Identifier: MIT
// The game played live; see LiveDriver.h.
#include "ui/LiveDriver.h"

#include <exception>

#include "ui/MainWindow.h"
#include "ui/QtEffects.h"

namespace gyrolap {

LiveDriver::LiveDriver(Game& game, GameClock& clock, QtEffects& effects, MainWindow& window,
                       QObject* parent)
    : WindowDriver(window, effects, parent), game_(game), clock_(clock) {
    effects_.OnMessageClosed([this] { Deliver(Input::MessageClosed); });
    connect(&window_, &MainWindow::actionPressed, this, [this] { Deliver(Input::Press); });
    connect(&window_, &MainWindow::submitClicked, this, [this] { Deliver(Input::Submit); });
}

LiveDriver::~LiveDriver() {
    Quit();
}

void LiveDriver::Begin() {
    // The game loads here and its first board is painted at once, so the start-up animation's
    // first ball is on the screen for its whole step, counted from the moment the wait began;
    // only then does the game's own thread take over.
    game_.Load(clock_.Now());
    ShowNow(game_.TakeSnapshot());
    thread_ = std::make_unique<GameThread>(game_, clock_, [this] {
        // On the game's thread: one hand-over to the window's thread per batch of changes,
        // after what the game asked of the window on the way.
        if (!snapshotPending_.exchange(true))
            effects_.windowThread().Post([this] { TakeSnapshot(); });
    });
    thread_->OnStart(onGameThreadStart_);
    thread_->Start(GameThread::Loading::AlreadyLoaded);
}

void LiveDriver::Deliver(Input input) {
    if (!thread_ || quitting_) return;
    thread_->Post(input);
}

void LiveDriver::TakeSnapshot() {
    snapshotPending_ = false;
    if (quitting_ || !thread_) return;
    if (const std::exception_ptr failure = thread_->Failure()) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            Fail(error.what());
        } catch (...) {
            Fail("the game failed");
        }
        return;
    }
    Show(thread_->LatestSnapshot());
}

void LiveDriver::Quit() {
    if (quitting_) return;
    quitting_ = true;
    StopPainting();
    // Whatever the game asked of the window and is still on its way there is dropped.
    effects_.Detach();
    if (thread_)
        thread_->Stop();  // ends the game's thread, then the game
    else
        game_.Quit(clock_.Now());
}

}  // namespace gyrolap
