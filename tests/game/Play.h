// SPDX-License-Identifier: MIT
// A game on the virtual clock for the tests, driven by hand, with helpers to look at the board
// and to play like a perfect player.
#pragma once

#include <memory>
#include <vector>

#include "game/Game.h"
#include "support/HandPlayed.h"

namespace gyrolap::testing {

class Play {
  public:
    explicit Play(std::vector<float> randoms, std::uint32_t clock = 0) {
        sim::Script settings;
        settings.randoms = std::move(randoms);
        settings.clock = clock;
        played_ = std::make_unique<HandPlayed>(std::move(settings));
        played_->playback.Load();
    }

    void At(std::uint64_t time, Input input) {
        played_->playback.AdvanceTo(time);
        played_->playback.Deliver(input);
    }
    void Press(std::uint64_t time) { At(time, Input::Press); }
    void Ok(std::uint64_t time) { At(time, Input::MessageClosed); }
    void Submit(std::uint64_t time) { At(time, Input::Submit); }
    void AdvanceTo(std::uint64_t time) { played_->playback.AdvanceTo(time); }

    std::uint64_t Now() const { return played_->clock.Now(); }
    bool MessageOpen() { return game().MessageOpen(); }
    Game& game() { return played_->game(); }
    GameState& state() { return game().state(); }
    Board& board() { return game().board(); }
    // The lines printed so far (boxes and clipboard texts).
    std::string Output() const { return played_->out.str(); }

    // The one visible ball, 0 when none is, -1 when several are.
    int Shown() {
        int shown = 0;
        for (int i = 1; i <= kBallCount; ++i) {
            if (!board().imgBall[static_cast<std::size_t>(i)].visible) continue;
            if (shown) return -1;
            shown = i;
        }
        return shown;
    }

    // Play like a perfect player until `time` or until `stop` says so: Start whenever the button
    // reads Start and nothing animates, one press whenever the particle stands in the ring.
    template <class Stop>
    void PlayPerfectly(std::uint64_t time, Stop stop) {
        while (Now() < time && !stop()) {
            const GameState& s = state();
            if (board().cmdAction == kAccelerateCaption && s.BallIndex >= 1 &&
                s.RingFlags[static_cast<std::size_t>(s.BallIndex)] && !s.HitLatch) {
                Press(Now());
            } else if (board().cmdAction == kStartCaption && game().scheduler().Idle()) {
                Press(Now());
            }
            AdvanceTo(Now() + 1);
        }
    }

  private:
    std::unique_ptr<HandPlayed> played_;
};

// Random values for long games: alternately no extra millisecond and one.
inline std::vector<float> ManyDraws(std::size_t count) {
    std::vector<float> draws(count);
    for (std::size_t i = 0; i < count; ++i) draws[i] = i % 2 ? 0.75f : 0.25f;
    return draws;
}

}  // namespace gyrolap::testing
