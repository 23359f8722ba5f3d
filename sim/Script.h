// The simulator's script: start-up settings, random values and timed events, read and checked
// in full before anything runs.
#pragma once

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace gyrolap::sim {

enum class EventKind { Press, Submit, Ok, Snap, Wake };

struct ScriptEvent {
    std::uint64_t time = 0;  // ms after start-up
    EventKind kind = EventKind::Snap;
    std::size_t line = 0;  // the script line it came from
};

// From `time` on, the date a submission uses reads `text`.
struct DateChange {
    std::uint64_t time = 0;
    std::string text;
};

struct Script {
    std::uint32_t clock = 0;
    std::string date = "5/16/2001";
    std::vector<float> randoms;
    // In delivery order: by time, and in script order within one millisecond.
    std::vector<ScriptEvent> events;
    std::vector<DateChange> dateChanges;
    std::uint64_t end = 0;
    // A recording of a window session: waits end only at its wake-ups and inputs.
    bool recorded = false;
};

// A script that cannot be read: the line it stopped at and what is wrong there.
class ScriptError : public std::runtime_error {
  public:
    ScriptError(std::size_t line, const std::string& what)
        : std::runtime_error(what), line_(line) {}
    std::size_t line() const noexcept { return line_; }

  private:
    std::size_t line_;
};

Script ParseScript(std::istream& in);

}  // namespace gyrolap::sim
