// SPDX-License-Identifier: MIT
// Playing a script through unseen; see Replay.h.
#include "sim/Replay.h"

#include <sstream>

#include "game/Game.h"
#include "game/SessionLog.h"
#include "sim/Playback.h"
#include "sim/Script.h"
#include "sim/ScriptAnswers.h"
#include "sim/Simulator.h"

namespace gyrolap::sim {
namespace {

// Tells the watcher what the game is given, with the game to read beside it.
class WatcherLog final : public SessionLog {
  public:
    WatcherLog(ReplayWatcher& watcher, const Game& game) : watcher_(watcher), game_(game) {}
    void Started(std::uint32_t, std::string_view) override {}
    void Delivered(std::uint64_t time, Input input) override {
        watcher_.Delivered(game_, time, input);
    }
    void Drew(float value) override { watcher_.Drew(value); }
    void ReadDate(std::uint64_t, std::string_view) override {}
    void Finished(std::uint64_t, const Board&, bool) override {}

  private:
    ReplayWatcher& watcher_;
    const Game& game_;
};

}  // namespace

ReplayOutcome ReplayThrough(std::istream& in, const ReplayOptions& options) {
    ReplayOutcome outcome;
    std::string bytes;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > options.maxBytes) {
            outcome.failure = ReplayFailure::TooLarge;
            outcome.reason =
                "larger than the limit of " + std::to_string(options.maxBytes) + " bytes";
            return outcome;
        }
    }
    if (in.bad()) {
        outcome.failure = ReplayFailure::Unreadable;
        outcome.reason = "the script could not be read";
        return outcome;
    }
    std::istringstream whole(std::move(bytes));
    Script script;
    try {
        script = ParseScript(whole);
    } catch (const ScriptError& error) {
        outcome.failure = ReplayFailure::BadLine;
        outcome.reason = "line " + std::to_string(error.line()) + ": " + error.what();
        return outcome;
    }
    std::ostringstream unseen;
    Session session(script, unseen);
    std::optional<WatcherLog> log;
    if (options.watcher) {
        log.emplace(*options.watcher, session.game());
        session.game().SetLog(&*log);
    }
    Playback playback(script, session.game(), session.driver(), nullptr);
    try {
        playback.Load();
        if (options.watcher) options.watcher->Loaded(session.game(), script.clock);
        playback.RunTo(script.end);
    } catch (const NoRandomLeft&) {
        outcome.failure = ReplayFailure::NoRandomLeft;
        outcome.reason = "no random value left at " + std::to_string(session.Now()) + " ms";
    }
    session.game().SetLog(nullptr);
    if (options.onClipboard)
        for (const std::string& text : session.Clipboard()) options.onClipboard(text);
    return outcome;
}

}  // namespace gyrolap::sim
