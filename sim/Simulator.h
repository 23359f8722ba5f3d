// SPDX-License-Identifier: MIT
// Replays a script against the game on the virtual clock and prints what the window would show.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "game/Board.h"
#include "game/Ports.h"
#include "sim/Script.h"
#include "sim/ScriptSource.h"

namespace gyrolap {
class Game;
class VirtualDriver;
}  // namespace gyrolap

namespace gyrolap::sim {

// Exit statuses of gyrolap-sim.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadScript = 2;
inline constexpr int kExitNoRandom = 3;

// Hears each text the game puts on the clipboard.
using ClipboardHandler = std::function<void(std::string_view text)>;

// Everything the game asks of its host, answered from the script; what the window would show is
// printed on `out` (when there is one), each line stamped with the virtual time, every piece
// that came from the script escaped so that it cannot steer a terminal.
class ScriptPlatform final : public Sources, public Effects {
  public:
    // The source and the clock must outlive the platform.
    ScriptPlatform(ScriptSource& source, const VirtualDriver& clock, std::ostream* out,
                   ClipboardHandler onClipboard = {})
        : source_(source), clock_(clock), out_(out), onClipboard_(std::move(onClipboard)) {}

    // Re-seeding from the time of day means nothing when the values come from the script.
    void ReseedRandom() override {}
    float NextRandom() override { return source_.NextRandom(); }
    std::string ShortDate() override;
    void HandOverSubmission(std::string_view text) override;
    void ShowMessage(std::string_view title, std::string_view text) override;

  private:
    ScriptSource& source_;
    const VirtualDriver& clock_;
    std::ostream* out_;
    ClipboardHandler onClipboard_;
};

// One replay in progress: the game on the virtual clock with the scripted platform, answering
// from the clock, date and random values of `settings` (its events are not used). The tests
// drive it directly.
class Session {
  public:
    Session(const Script& settings, std::ostream& out);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Start-up at 0 ms: the reset and the level 1 animation.
    void Load();
    // Let the clock run to `time`, ending every wait on the way at its own millisecond (in a
    // recorded session, only when something is delivered).
    void AdvanceTo(std::uint64_t time);
    // One input now, then every wait it leaves due.
    void Deliver(Input input);
    // Prints the board as a `snap` line now.
    void Snap();

    std::uint64_t Now() const;
    bool MessageOpen() const;
    Game& game() noexcept { return *game_; }
    VirtualDriver& driver() noexcept { return *driver_; }

  private:
    std::ostream& out_;
    std::unique_ptr<WholeScript> source_;
    std::unique_ptr<VirtualDriver> driver_;
    std::unique_ptr<ScriptPlatform> platform_;
    std::unique_ptr<Game> game_;
};

// Plays the script, writing one line per happening to `out`. Returns kExitOk; kExitNoRandom
// when the game draws more random values than the script gives, or kExitBadScript when a
// recording turns out to hold a bad line as it plays, each after a message on `err` (the
// lines before it are printed). A recording cut short plays up to its cut, and `err` says so.
int RunScript(ScriptSource& source, std::ostream& out, std::ostream& err,
              const ClipboardHandler& onClipboard = {});

// What stderr says of a recording that stops without its `end` line.
std::string CutNotice(std::size_t lastLine);

// The board as a `snap` line prints it, without the leading time.
std::string DescribeBoard(const Board& board, bool messageOpen);

}  // namespace gyrolap::sim
