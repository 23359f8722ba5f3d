// SPDX-License-Identifier: MIT
// The two ways the game meets whatever hosts it (the window, the simulator, a test's stand-in):
// where its chance and its date come from, which a recording captures, and what it does to the
// world. The clock is neither: every input comes with its own reading (Game::Deliver).
#pragma once

#include <string>
#include <string_view>

namespace gyrolap {

// What the game reads from its surroundings: a recording writes all of it down, and a replay
// answers it from the recording.
class Sources {
  public:
    virtual ~Sources() = default;

    // Re-seed the random generator from the time of day; values that come from a recording
    // have nothing to re-seed.
    virtual void ReseedRandom() {}
    // The next random value, uniform in [0, 1).
    virtual float NextRandom() = 0;
    // Today's date in the player's short date format, as UTF-8.
    virtual std::string ShortDate() = 0;
};

// What the game does to the world. Each does nothing unless the host makes it do something, so
// a stand-in overrides only what it watches.
class Effects {
  public:
    virtual ~Effects() = default;

    // Open a modal message box with one OK button. It must not close before this returns: the
    // host reports the close later, as the input MessageClosed.
    virtual void ShowMessage(std::string_view /*title*/, std::string_view /*text*/) {}
    // Hand the submission text to the player: the window puts it on the clipboard.
    virtual void HandOverSubmission(std::string_view /*text*/) {}
    // Give the keyboard focus back to the action button.
    virtual void FocusActionButton() {}
};

}  // namespace gyrolap
