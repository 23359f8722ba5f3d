// The game's platform services on Qt: the monotonic millisecond clock, a generator re-seeded
// from the time of day, the user's short date, the clipboard, message boxes that are modal
// without a nested event loop, the desktop's URL opener and the action button's focus.
#pragma once

#include <QLocale>
#include <QPointer>
#include <QRandomGenerator>
#include <functional>

#include "game/Platform.h"

class QMessageBox;
class QWidget;

namespace gyrolap {

class MainWindow;

class QtPlatform final : public Platform {
  public:
    // The clock defaults to the monotonic clock; tests hand in their own.
    explicit QtPlatform(std::function<std::uint32_t()> clock = {});

    // Whether Clock() counts the milliseconds of std::chrono::steady_clock, so that a wait's
    // deadline is an instant on that clock.
    bool UsesSteadyClock() const { return steadyClock_; }

    // The window the boxes belong to and whose action button takes the focus back.
    void AttachWindow(MainWindow* window) { window_ = window; }
    // Called when the open message box closes, by whatever way.
    void OnMessageClosed(std::function<void()> callback) { messageClosed_ = std::move(callback); }
    // Replaces the generator with a fixed sequence, so that a bench can play the same game
    // twice; re-seeding then does nothing.
    void UseRandomSource(std::function<float()> source) { source_ = std::move(source); }
    // The open message box, if any; for the tests and the benches.
    QWidget* OpenMessage() const;

    std::uint32_t Clock() override;
    void ReseedRandom() override;
    float NextRandom() override;
    std::string ShortDate() override;
    void SetClipboardText(std::string_view text) override;
    void ShowMessage(std::string_view title, std::string_view text) override;
    void OpenUrl(std::string_view url) override;
    void FocusActionButton() override;

  private:
    std::function<std::uint32_t()> clock_;
    bool steadyClock_ = false;
    QRandomGenerator random_;
    std::function<float()> source_;
    QPointer<MainWindow> window_;
    QPointer<QMessageBox> message_;
    std::function<void()> messageClosed_;
};

}  // namespace gyrolap
