// SPDX-License-Identifier: MIT
// The inputs a game can be given, named once: every driver (the window, the simulator, a replay)
// turns what happens around it into these and hands them to Game::Deliver with a clock reading.
#pragma once

#include <cstdint>

namespace gyrolap {

enum class Input : std::uint8_t {
    Press,          // a key or mouse press at the action button, or a mouse press on the ring
    Submit,         // a click on Submit Score
    MessageClosed,  // the open message box was closed, by whatever way
    WakeUp,         // the driver's timer: the top wait may be over
};

}  // namespace gyrolap
