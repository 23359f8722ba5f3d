// SPDX-License-Identifier: MIT
// Playing a recording (or any script) through on the virtual clock with nothing shown, as a
// score keeper checks one: the texts the game put on the clipboard, whether it played to its end,
// and, for whoever wants to know how it was played, every input the game took on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "game/Input.h"

namespace gyrolap {
class Game;
}  // namespace gyrolap

namespace gyrolap::sim {

// No honest session comes near this many bytes of recording (a day of nonstop play writes
// about 21 MB: a perfect player's recording grows 242 bytes a second through levels 1 to 5); a
// larger script is refused.
inline constexpr std::uint64_t kDefaultMaxScriptBytes = std::uint64_t{128} << 20;

// A size as a command line gives it: bytes, or a whole number of KiB, MiB or GiB with the
// suffix K, M or G. Nothing for anything else, 0 included.
std::optional<std::uint64_t> ParseByteCount(std::string_view text);

// Watches a replay from the side. The game is only to be read, never changed.
class ReplayWatcher {
  public:
    virtual ~ReplayWatcher() = default;
    // Start-up is done: the game's clock read `clock` at 0 ms, and its readings (NextWake) count
    // on from there.
    virtual void Loaded(const Game& /*game*/, std::uint32_t /*clock*/) {}
    // The game took `input` at `time` ms after start-up; a wake-up is heard only when it ended a
    // wait.
    virtual void Delivered(const Game& /*game*/, std::uint64_t /*time*/, Input /*input*/) {}
    // Each random value the game drew, in order.
    virtual void Drew(float /*value*/) {}
};

struct ReplayOptions {
    std::uint64_t maxBytes = kDefaultMaxScriptBytes;
    // Hears every text the game put on the clipboard, in order, repeats included.
    std::function<void(std::string_view text)> onClipboard;
    ReplayWatcher* watcher = nullptr;
};

enum class ReplayFailure {
    None,
    Unreadable,    // the input could not be read
    TooLarge,      // more bytes than ReplayOptions::maxBytes
    BadLine,       // a line that is not one a script may hold
    NoRandomLeft,  // the game drew more random values than the script gives
};

struct ReplayOutcome {
    ReplayFailure failure = ReplayFailure::None;
    // Why it was not played to its end, safe to print: "line N: WHAT", "no random value left at
    // T ms", ...; empty when it was.
    std::string reason;
    // A recording that stops without its `end` line (the session ended badly: a crash, a power
    // cut): the last whole line, up to which it was played. Nothing for a whole recording.
    std::optional<std::size_t> cutAfterLine;

    bool Played() const noexcept { return failure == ReplayFailure::None; }
};

// Reads the script from `in` and plays it through with nothing printed.
ReplayOutcome ReplayThrough(std::istream& in, const ReplayOptions& options);

}  // namespace gyrolap::sim
