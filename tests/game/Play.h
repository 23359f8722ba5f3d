// SPDX-License-Identifier: MIT
// A game on the virtual clock for the tests: the simulator's session with helpers to look at
// the board and to play like a perfect player.
#pragma once

#include <memory>
#include <sstream>
#include <vector>

#include "game/Game.h"
#include "sim/Simulator.h"

namespace gyrolap::testing {

class Play {
  public:
    explicit Play(std::vector<float> randoms, std::uint32_t clock = 0) {
        settings_.randoms = std::move(randoms);
        settings_.clock = clock;
        session_ = std::make_unique<sim::Session>(settings_, out_);
        session_->Load();
    }

    void At(std::uint64_t time, Input input) {
        session_->AdvanceTo(time);
        session_->Deliver(input);
    }
    void Press(std::uint64_t time) { At(time, Input::Press); }
    void Ok(std::uint64_t time) { At(time, Input::MessageClosed); }
    void Submit(std::uint64_t time) { At(time, Input::Submit); }
    void AdvanceTo(std::uint64_t time) { session_->AdvanceTo(time); }

    std::uint64_t Now() const { return session_->Now(); }
    bool MessageOpen() const { return session_->MessageOpen(); }
    Game& game() { return session_->game(); }
    GameState& state() { return game().state(); }
    Board& board() { return game().board(); }
    // The lines printed so far (boxes and clipboard texts).
    std::string Output() const { return out_.str(); }

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
    sim::Script settings_;
    std::ostringstream out_;
    std::unique_ptr<sim::Session> session_;
};

// Random values for long games: alternately no extra millisecond and one.
inline std::vector<float> ManyDraws(std::size_t count) {
    std::vector<float> draws(count);
    for (std::size_t i = 0; i < count; ++i) draws[i] = i % 2 ? 0.75f : 0.25f;
    return draws;
}

}  // namespace gyrolap::testing
