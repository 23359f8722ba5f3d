// SPDX-License-Identifier: MIT
// Hears everything a session of play is given from outside, in order: the clock at start-up,
// each input and each wake-up with its time, each random value and date the game reads, and the
// board it ends on. That is all a replay needs to play the session again exactly.
#pragma once

#include <cstdint>
#include <string_view>

#include "game/Board.h"
#include "game/Input.h"

namespace gyrolap {

class SessionLog {
  public:
    virtual ~SessionLog() = default;

    // Start-up: the 32-bit clock's reading and the date the session starts on.
    virtual void Started(std::uint32_t clock, std::string_view date) = 0;
    // `time` counts milliseconds since start-up. Wake-ups are heard only when they ended a wait.
    virtual void Delivered(std::uint64_t time, Input input) = 0;
    virtual void Drew(float value) = 0;
    virtual void ReadDate(std::uint64_t time, std::string_view date) = 0;
    // The session ends with this board, a message box open or not.
    virtual void Finished(std::uint64_t time, const Board& board, bool messageOpen) = 0;
};

}  // namespace gyrolap
