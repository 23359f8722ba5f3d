// SPDX-License-Identifier: MIT
// The services the core asks of whatever hosts it: the Qt window in the game, scripted
// stand-ins in the simulator and the tests. The clock is not one of them: every input comes
// with its own clock reading (Game::Deliver).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gyrolap {

class Platform {
  public:
    virtual ~Platform() = default;

    // Re-seed the random generator from the time of day.
    virtual void ReseedRandom() = 0;
    // The next random value, uniform in [0, 1).
    virtual float NextRandom() = 0;

    // Today's date in the user's short date format, as UTF-8.
    virtual std::string ShortDate() = 0;

    virtual void SetClipboardText(std::string_view text) = 0;

    // Open a modal message box with one OK button. It must not close before this returns:
    // the host reports the close later as the input MessageClosed.
    virtual void ShowMessage(std::string_view title, std::string_view text) = 0;

    virtual void OpenUrl(std::string_view url) = 0;

    virtual void FocusActionButton() = 0;
};

}  // namespace gyrolap
