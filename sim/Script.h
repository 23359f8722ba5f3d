// SPDX-License-Identifier: MIT
// A simulator script read whole: start-up settings, random values and timed events, checked in
// full before anything runs. A recording is played as it is read instead (ScriptSource.h).
#pragma once

#include <cstdint>
#include <deque>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "game/Input.h"
#include "sim/ScriptReader.h"

namespace gyrolap::sim {

// The date a script's game reads when the script gives none.
inline constexpr const char* kDefaultScriptDate = "5/16/2001";

// One `at T ...` line that the game takes or that prints the board. Small, since a script read
// whole holds one per line.
struct ScriptEvent {
    std::uint64_t time = 0;  // ms after start-up
    std::uint32_t line = 0;  // the script line it came from, for messages
    // The input the game is given; nothing for a snap, which only prints the board.
    std::optional<Input> input;
};

// From `time` on, the date a submission uses reads `text`.
struct DateChange {
    std::uint64_t time = 0;
    std::string text;
    std::uint32_t line = 0;
};

struct Script {
    std::uint32_t clock = 0;
    std::string date = kDefaultScriptDate;  // from start-up on
    // A recording of a window session: its lines come in the order they were written.
    bool recorded = false;
    // In file order.
    std::vector<float> randoms;
    // In delivery order: by time, and in script order within one millisecond. Held in pieces,
    // so that a long script never needs its events twice over while they grow.
    std::deque<ScriptEvent> events;
    // By time, and in script order within one millisecond.
    std::vector<DateChange> dateChanges;
    std::uint64_t end = 0;
};

// Keeps a recording's promise that its lines come in the order they happened: each `at` line
// no earlier than the one before it, none after the `end` line, and the `end` no earlier than
// the last `at`. Told each such line in file order; throws ScriptError at the first broken one.
class RecordedOrder {
  public:
    void At(std::uint64_t time, std::size_t line);
    void End(std::uint64_t time, std::size_t line);
    // The time of the last `at` line so far (0 before any).
    std::uint64_t LastTime() const noexcept { return lastTime_; }

  private:
    std::uint64_t lastTime_ = 0;
    std::size_t lastLine_ = 0;
    std::size_t endLine_ = 0;
};

// The message for a second `clock`, `date`, `recorded` or `end` line.
std::string SecondLine(const char* command, std::size_t first);

// Reads the whole script; nothing runs before it is all read and checked. Memory follows the
// values and events the script gives: a line other than a `random` line is refused past 4096
// bytes without being kept, and the values of a `random` line are read one by one.
Script ParseScript(std::istream& in, std::uint64_t maxBytes = ScriptReader::kUnlimited);

// Gathers a script's lines into a Script and checks them together; what ParseScript uses, and
// what reads a script whole after its first lines were read one by one.
class ScriptCollector {
  public:
    void Add(ScriptLine&& line);
    // All lines are in: `lines` is how many the script has, for the "no 'end' line" message.
    Script Finish(std::size_t lines);

  private:
    Script script_;
    std::size_t clockLine_ = 0;
    std::size_t dateLine_ = 0;
    std::size_t recordedLine_ = 0;
    std::size_t endLine_ = 0;
};

}  // namespace gyrolap::sim
