// SPDX-License-Identifier: MIT
// A recording played back in the window; see ReplayDriver.h.
#include "ui/ReplayDriver.h"

#include <exception>

#include "ui/MainWindow.h"
#include "ui/QtEffects.h"

namespace gyrolap {

ReplayDriver::ReplayDriver(std::unique_ptr<sim::ScriptSource> script, GameClock& clock,
                           QtEffects& effects, MainWindow& window, QObject* parent)
    : WindowDriver(window, effects, parent),
      script_(std::move(script)),
      clock_(clock),
      virtualClock_(script_->Clock()),
      playback_(*script_, virtualClock_, effects_) {
    connect(&wakeUp_, &WakeUpTimer::timeout, this, [this] { PlayDue(); });
}

ReplayDriver::~ReplayDriver() {
    Quit();
}

void ReplayDriver::Begin() {
    try {
        start_ = clock_.Now();
        playback_.Load();
    } catch (const std::exception& error) {
        Fail(error.what());
        return;
    }
    // The first board goes on the screen at once, as it does when the game is played live.
    ShowNow(playback_.game().TakeSnapshot());
    PlayDue();
}

std::optional<std::uint64_t> ReplayDriver::NextWake() {
    if (!Started() || quitting_) return std::nullopt;
    const auto next = playback_.Next();
    if (!next) return std::nullopt;
    return start_ + *next;
}

void ReplayDriver::PlayDue() {
    if (!Started() || quitting_) return;
    try {
        playback_.RunTo(clock_.Now() - start_);
    } catch (const std::exception& error) {
        Fail(error.what());
        return;
    }
    // The recording closed the box the game was waiting for: take it off the screen too.
    if (!playback_.game().MessageOpen()) effects_.CloseMessage();
    Show(playback_.game().TakeSnapshot());
    const auto wake = NextWake();
    if (!wake) {
        wakeUp_.Stop();
        return;
    }
    if (clock_.WakesItself()) wakeUp_.StartAt(SteadyClock::InstantOf(*wake));
}

void ReplayDriver::Quit() {
    if (quitting_) return;
    quitting_ = true;
    wakeUp_.Stop();
    StopPainting();
    effects_.Detach();
    playback_.game().Quit(virtualClock_.Reading());
}

}  // namespace gyrolap
