// SPDX-License-Identifier: MIT
// What the game does to the world, as the simulator shows it: each message box and each
// submission handed over becomes a line of output, stamped with the virtual time, with every
// piece that came from the script escaped so that it cannot steer a terminal.
#pragma once

#include <functional>
#include <ostream>
#include <string_view>

#include "game/Ports.h"
#include "game/VirtualDriver.h"

namespace gyrolap::sim {

// Hears each text the game hands over (the window's clipboard).
using ClipboardHandler = std::function<void(std::string_view text)>;

class ScriptEffects final : public Effects {
  public:
    // Prints on `out` when there is one, stamped with `clock`'s time; hands each text to
    // `onClipboard` too. The clock must outlive the effects.
    ScriptEffects(const VirtualDriver& clock, std::ostream* out, ClipboardHandler onClipboard = {})
        : clock_(clock), out_(out), onClipboard_(std::move(onClipboard)) {}

    // `T box TITLE|TEXT`, the text's line breaks written \n.
    void ShowMessage(std::string_view title, std::string_view text) override;
    // `T clipboard TEXT`.
    void HandOverSubmission(std::string_view text) override;

  private:
    const VirtualDriver& clock_;
    std::ostream* out_;
    ClipboardHandler onClipboard_;
};

}  // namespace gyrolap::sim
