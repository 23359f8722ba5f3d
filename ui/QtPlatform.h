// SPDX-License-Identifier: MIT
// The game's platform services on Qt: a generator re-seeded from the time of day, the user's
// short date, the clipboard, message boxes that are modal without a nested event loop, the
// desktop's URL opener and the action button's focus; and the monotonic millisecond clock the
// driver reads for every input.
#pragma once

#include <QLocale>
#include <QPointer>
#include <QRandomGenerator>
#include <functional>
#include <memory>

#include "game/Ports.h"
#include "ui/MainWindow.h"
#include "ui/WindowThreadQueue.h"

class QMessageBox;
class QWidget;

namespace gyrolap {

class QtPlatform final : public Sources, public Effects {
  public:
    // The clock defaults to the monotonic clock; tests hand in their own.
    explicit QtPlatform(std::function<std::uint64_t()> clock = {});
    ~QtPlatform() override;

    // Milliseconds on a count that does not wrap; the game's clock is its low 32 bits.
    std::uint64_t Now() const { return clock_(); }
    // Whether Now() counts the milliseconds of std::chrono::steady_clock, so that a wait's
    // end is an instant on that clock.
    bool UsesSteadyClock() const { return steadyClock_; }

    // The window the boxes belong to and whose action button takes the focus back.
    void AttachWindow(MainWindow* window) { window_ = window; }
    // Called when the open message box closes, by whatever way.
    void OnMessageClosed(std::function<void()> callback) { messageClosed_ = std::move(callback); }
    // Replaces the generator with a fixed sequence, so that a bench or a replay can play the
    // same game again; re-seeding then does nothing.
    void UseRandomSource(std::function<float()> source) { source_ = std::move(source); }
    // Replaces the system date, for a replay.
    void UseDateSource(std::function<std::string()> source) { dateSource_ = std::move(source); }
    // Playing a recording back: the clipboard is left alone, and the player cannot close a
    // message box; the recording closes it with CloseMessage().
    void SetPlayback(bool playback) { playback_ = playback; }
    void CloseMessage();
    // The game has ended: what it asked of the window and is still on its way there is dropped.
    void Detach() { windowThread_->Drop(); }
    // Runs `work` on the window's thread, after everything the game asked of the window before
    // it; from any thread.
    void PostToWindow(std::function<void()> work) { windowThread_->Post(std::move(work)); }
    // On the window's thread: does now what has been handed to it so far (the tests do not wait
    // for the event loop).
    void RunPostedWork() { windowThread_->RunPending(); }
    // The open message box, if any; for the tests and the benches.
    QWidget* OpenMessage() const;

    void ReseedRandom() override;
    float NextRandom() override;
    std::string ShortDate() override;
    void HandOverSubmission(std::string_view text) override;
    void ShowMessage(std::string_view title, std::string_view text) override;
    void FocusActionButton() override;

  private:
    // The game may run on a thread of its own; what it asks of the window runs on the window's
    // thread, in the order asked.
    template <class Action>
    void OnWindowThread(Action&& action);
    void ShowMessageNow(std::string_view title, std::string_view text);

    std::unique_ptr<WindowThreadQueue> windowThread_;
    std::function<std::uint64_t()> clock_;
    bool steadyClock_ = false;
    QRandomGenerator random_;
    std::function<float()> source_;
    std::function<std::string()> dateSource_;
    bool playback_ = false;
    QPointer<MainWindow> window_;
    QPointer<QMessageBox> message_;
    std::function<void()> messageClosed_;
};

}  // namespace gyrolap
