// SPDX-License-Identifier: MIT
// Playing a script through unseen; see Replay.h.
#include "sim/Replay.h"

#include <limits>

#include "game/Game.h"
#include "game/SessionLog.h"
#include "game/VirtualDriver.h"
#include "sim/Playback.h"
#include "sim/ScriptEffects.h"
#include "sim/ScriptSource.h"

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

ReplayOutcome Failed(ReplayFailure failure, std::string reason) {
    ReplayOutcome outcome;
    outcome.failure = failure;
    outcome.reason = std::move(reason);
    return outcome;
}

}  // namespace

std::optional<std::uint64_t> ParseByteCount(std::string_view text) {
    unsigned shift = 0;
    if (!text.empty()) {
        switch (text.back()) {
            case 'K':
                shift = 10;
                break;
            case 'M':
                shift = 20;
                break;
            case 'G':
                shift = 30;
                break;
            default:
                break;
        }
        if (shift) text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 15) return std::nullopt;
    std::uint64_t count = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        count = count * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (count == 0 || count > (std::numeric_limits<std::uint64_t>::max() >> shift))
        return std::nullopt;
    return count << shift;
}

ReplayOutcome ReplayThrough(std::istream& in, const ReplayOptions& options) {
    try {
        const std::unique_ptr<ScriptSource> source = OpenScript(in, options.maxBytes);
        VirtualDriver clock(source->Clock());
        ScriptEffects effects(clock, nullptr, options.onClipboard);
        Playback playback(*source, clock, effects);
        std::optional<WatcherLog> log;
        if (options.watcher) {
            log.emplace(*options.watcher, playback.game());
            playback.game().SetLog(&*log);
        }
        try {
            playback.Load();
            if (options.watcher) options.watcher->Loaded(playback.game(), source->Clock());
            playback.RunToEnd();
        } catch (const NoRandomLeft&) {
            return Failed(ReplayFailure::NoRandomLeft,
                          "no random value left at " + std::to_string(clock.Now()) + " ms");
        }
        source->Finish();
        ReplayOutcome outcome;
        if (const std::size_t cut = source->CutAfterLine()) outcome.cutAfterLine = cut;
        return outcome;
    } catch (const ScriptError& error) {
        const ReplayFailure failure =
            error.kind() == ScriptError::Kind::TooLarge     ? ReplayFailure::TooLarge
            : error.kind() == ScriptError::Kind::Unreadable ? ReplayFailure::Unreadable
                                                            : ReplayFailure::BadLine;
        return Failed(failure, Describe(error));
    }
}

}  // namespace gyrolap::sim
