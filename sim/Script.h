// SPDX-License-Identifier: MIT
// The simulator's script: start-up settings, random values and timed events, read and checked
// in full before anything runs.
#pragma once

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace gyrolap::sim {

// Wake: the window's timer woke the game at that time; it prints nothing.
enum class EventKind { Press, Submit, Ok, Snap, Wake };

struct ScriptEvent {
    std::uint64_t time = 0;  // ms after start-up
    EventKind kind = EventKind::Snap;
    std::size_t line = 0;  // the script line it came from, for messages
};

// From `time` on, the date a submission uses reads `text`.
struct DateChange {
    std::uint64_t time = 0;
    std::string text;
};

struct Script {
    std::uint32_t clock = 0;
    std::string date = "5/16/2001";  // from start-up on
    // A recording of a window session: its lines come in the order they were written.
    bool recorded = false;
    // In file order.
    std::vector<float> randoms;
    // In delivery order: by time, and in script order within one millisecond.
    std::vector<ScriptEvent> events;
    // By time, and in script order within one millisecond.
    std::vector<DateChange> dateChanges;
    std::uint64_t end = 0;
};

// A script that cannot be read: the line it stopped at and what is wrong there. Words of the
// script in the message are escaped and shortened, so the message is safe to print.
class ScriptError : public std::runtime_error {
  public:
    ScriptError(std::size_t line, const std::string& what)
        : std::runtime_error(what), line_(line) {}
    std::size_t line() const noexcept { return line_; }

  private:
    std::size_t line_;
};

// Reads the whole script. Memory stays bounded by the values the script gives: a line other
// than a `random` line is refused past 4096 bytes without being kept, and the values of a
// `random` line are read one by one. A stream that fails to read is refused as unreadable.
Script ParseScript(std::istream& in);

}  // namespace gyrolap::sim
