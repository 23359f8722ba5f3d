// SPDX-License-Identifier: MIT
// The game as one change left it, made by the game itself: the only thing that leaves the game's
// thread. The window paints its board; the benches and the tests read the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "game/Board.h"
#include "game/GameState.h"

namespace gyrolap {

struct Snapshot {
    Board board;
    GameState state;
    bool messageOpen = false;
    // When the top wait ends, on the driver's clock; nothing when no wait is on the clock.
    std::optional<std::uint64_t> wake;
    // How many activities are suspended, one in another.
    std::size_t depth = 0;
    // Counts the changes the game has made so far: a later snapshot never counts fewer.
    std::uint64_t serial = 0;
};

}  // namespace gyrolap
