// SPDX-License-Identifier: MIT
// Replays a script against the game on the virtual clock and prints what the window would show.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/Board.h"
#include "sim/Script.h"

namespace gyrolap {
class Game;
class VirtualDriver;
}  // namespace gyrolap

namespace gyrolap::sim {

// Exit statuses of gyrolap-sim.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadScript = 2;
inline constexpr int kExitNoRandom = 3;

class ScriptPlatform;

// One replay in progress: the game on the virtual clock with the scripted platform. The tests
// drive it directly; RunScript drives it from a script's events.
class Session {
  public:
    // Takes the clock, date and random values of `settings`; its events are not used.
    Session(const Script& settings, std::ostream& out);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Start-up at 0 ms: the reset and the level 1 animation.
    void Load();
    // Let the clock run to `time`, ending every wait on the way at its own millisecond.
    void AdvanceTo(std::uint64_t time);
    // One event now, then every wait it leaves due.
    void Deliver(EventKind kind);
    // Prints the board as a `snap` line now.
    void Snap();

    std::uint64_t Now() const;
    bool MessageOpen() const;
    // Every text the game put on the clipboard so far, in order.
    const std::vector<std::string>& Clipboard() const;
    Game& game() noexcept { return *game_; }
    VirtualDriver& driver() noexcept { return *driver_; }

  private:
    std::ostream& out_;
    bool recorded_;
    std::unique_ptr<VirtualDriver> driver_;
    std::unique_ptr<ScriptPlatform> platform_;
    std::unique_ptr<Game> game_;
};

// Plays the script, writing one line per happening to `out`. Returns kExitOk, or kExitNoRandom
// (after a message on `err`) when the game draws more random values than the script gives.
// With `clipboard`, every text the game put on the clipboard is handed back there too.
int RunScript(const Script& script, std::ostream& out, std::ostream& err,
              std::vector<std::string>* clipboard = nullptr);

// A script played through on the virtual clock with nothing printed, as `gyrolap --replay`
// and `gyrolap-check --replay` check a recording: the texts it put on the clipboard, and why
// it could not be played to its end ("no random value left at T ms"; empty when it could).
struct PlayedThrough {
    std::vector<std::string> clipboard;
    std::string failure;
};
PlayedThrough PlayThrough(const Script& script);

// The board as a `snap` line prints it, without the leading time.
std::string DescribeBoard(const Board& board, bool messageOpen);

}  // namespace gyrolap::sim
