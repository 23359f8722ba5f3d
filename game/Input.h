// SPDX-License-Identifier: MIT
// The inputs a game can be given, named once with the word a script or a recording writes for
// each: every driver (the window, the simulator, a replay) turns what happens around it into
// these and hands them to Game::Deliver with a clock reading.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace gyrolap {

enum class Input : std::uint8_t {
    Press,          // a key or mouse press at the action button, or a mouse press on the ring
    Submit,         // a click on Submit Score
    MessageClosed,  // the open message box was closed, by whatever way
    WakeUp,         // the driver's timer: the top wait may be over
};

// The word of each input in a script's `at T WORD` line, in the order of the enumeration.
inline constexpr std::array<std::string_view, 4> kInputWords{"press", "submit", "ok", "wake"};

constexpr std::string_view ScriptWord(Input input) {
    return kInputWords[static_cast<std::size_t>(input)];
}

constexpr std::optional<Input> InputNamed(std::string_view word) {
    for (std::size_t i = 0; i < kInputWords.size(); ++i)
        if (kInputWords[i] == word) return static_cast<Input>(i);
    return std::nullopt;
}

}  // namespace gyrolap
