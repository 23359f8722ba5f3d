// SPDX-License-Identifier: MIT
// What the game does to the world, in the window: its message boxes (modal to the whole
// application, yet shown without a nested event loop, and centred on the game window), the
// clipboard, and the action button's focus. What the game asks from its own thread is done on
// the window's thread, in the order it asked, through one hand-over.
#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string_view>

#include "game/Ports.h"
#include "ui/WindowThreadQueue.h"

class QMessageBox;
class QWidget;

namespace gyrolap {

class MainWindow;

class QtEffects final : public Effects {
  public:
    // Watching a recording played back, the clipboard is left alone, and a box looks as the
    // player's did but the watcher cannot close it: the recording closes it (CloseMessage).
    enum class Mode { Playing, Watching };

    // Made on the window's thread; the window must outlive the effects.
    explicit QtEffects(MainWindow& window, Mode mode = Mode::Playing);
    ~QtEffects() override;

    // The one hand-over to the window's thread: what the game asks, and whatever its driver
    // hands on after it (its snapshots), arrive in the order they were posted.
    WindowThreadQueue& windowThread() { return *windowThread_; }

    // Called when the open message box closes by the player's hand.
    void OnMessageClosed(std::function<void()> callback) { messageClosed_ = std::move(callback); }
    // Takes the box off the screen: a recording played back closes it when the player did.
    void CloseMessage();
    // The game has ended: what it asked of the window and is still on its way is dropped.
    void Detach() { windowThread_->Drop(); }
    // The open message box, if any.
    QWidget* OpenMessage() const;

    void ShowMessage(std::string_view title, std::string_view text) override;
    void HandOverSubmission(std::string_view text) override;
    void FocusActionButton() override;

  private:
    // On the window's thread: at once; from the game's: handed over.
    template <class Action>
    void OnWindowThread(Action&& action);
    void ShowMessageNow(std::string_view title, std::string_view text);

    MainWindow& window_;
    Mode mode_;
    std::unique_ptr<WindowThreadQueue> windowThread_;
    QPointer<QMessageBox> message_;
    std::function<void()> messageClosed_;
};

}  // namespace gyrolap
