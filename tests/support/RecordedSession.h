// SPDX-License-Identifier: MIT
// A session played as a player at the window plays it, written down as gyrolap --record writes
// it: the game on a clock of our own, wake-ups coming a chosen number of milliseconds after the
// instant they were due (as a window's timer wakes), presses a chosen time after the particle
// reaches the ring. What the game put on the clipboard and what was given to it are kept, so a
// test can hold a replay's findings against what really happened.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/Game.h"
#include "sim/ScriptWriter.h"

namespace gyrolap::testing {

struct SessionPlan {
    std::uint32_t clock = 1000;
    std::string date = "5/16/2001";
    // Good presses in each game; each game then ends with a press outside the ring.
    std::vector<int> hitsPerGame = {3};
    // How long after the particle reaches a ring position the player presses: less than a
    // step, which is about 35 ms by the tenth press of a level.
    std::uint64_t reactionMs = 25;
    // How late the k-th wake-up comes (k from 0).
    std::function<std::uint64_t(std::size_t)> lateMs = [](std::size_t) { return 0; };
    // The generator's values, used in turn.
    std::vector<float> randoms = {0.3f, 0.7f, 0.55f, 0.12f, 0.91f};
    // Submit Score once the games are over.
    bool submit = true;
    // Submit Score also after these games (counted from 1), so that one session writes several
    // texts.
    std::vector<std::size_t> submitAfterGames;
    // Submit Score after every game too, each time with the board that game left.
    bool submitEachGame = false;
};

struct RecordedSession {
    std::string recording;
    std::vector<std::string> clipboard;
    // What was given to the game, to hold the replay's findings against.
    std::size_t games = 0;
    std::size_t presses = 0;
    std::size_t goodPresses = 0;
    std::vector<std::uint64_t> wakeLateness;  // of the wake-ups that ended a wait
    std::vector<float> drawn;
    int highestLevel = 1;
};

namespace recorded_detail {

class PlannedPorts final : public gyrolap::Sources, public gyrolap::Effects {
  public:
    PlannedPorts(const SessionPlan& plan, RecordedSession& out) : plan_(plan), out_(out) {}
    float NextRandom() override {
        const float value = plan_.randoms[next_++ % plan_.randoms.size()];
        out_.drawn.push_back(value);
        return value;
    }
    std::string ShortDate() override { return plan_.date; }
    void HandOverSubmission(std::string_view text) override { out_.clipboard.emplace_back(text); }

  private:
    const SessionPlan& plan_;
    RecordedSession& out_;
    std::size_t next_ = 0;
};

}  // namespace recorded_detail

inline RecordedSession RecordSession(const SessionPlan& plan) {
    RecordedSession out;
    {
        recorded_detail::PlannedPorts ports(plan, out);
        sim::ScriptWriter writer([&out](std::string line) { out.recording += line + '\n'; });
        Game game(ports, ports);
        game.SetLog(&writer);
        game.Load(plan.clock);
        std::uint64_t now = 0;  // ms after start-up
        std::size_t wakes = 0;
        const auto reading = [&](std::uint64_t t) { return plan.clock + t; };
        // The next wait ends as a late timer ends it.
        const auto wakeOnce = [&] {
            const auto due = game.NextWake();
            if (!due) throw std::runtime_error("the session waits for nothing");
            const std::uint64_t dueAt = *due - plan.clock;
            now = std::max(now, dueAt + plan.lateMs(wakes++));
            if (game.Deliver(Input::WakeUp, reading(now))) out.wakeLateness.push_back(now - dueAt);
        };
        // Every wait that ends before `at` ends, then the input comes at `at`: the window
        // hands the game an input before a wake-up at a later reading.
        const auto deliver = [&](Input input, std::uint64_t at) {
            for (auto due = game.NextWake(); due && *due - plan.clock + plan.lateMs(wakes) < at;
                 due = game.NextWake())
                wakeOnce();
            now = std::max(now, at);
            game.Deliver(input, reading(now));
        };
        const auto idle = [&] { return !game.NextWake().has_value(); };
        const auto inRing = [&] {
            const GameState& s = game.state();
            return s.Running && s.BallIndex >= 1 &&
                   s.RingFlags[static_cast<std::size_t>(s.BallIndex)] && !s.HitLatch;
        };
        const auto until = [&](auto ready) {
            for (int guard = 0; !ready(); ++guard) {
                if (guard > 100000) throw std::runtime_error("the session got stuck");
                wakeOnce();
            }
        };

        until(idle);  // the first track is laid out
        const auto submit = [&] {
            deliver(Input::Submit, now + 1500);
            deliver(Input::MessageClosed, now + 900);
        };
        for (const int hits : plan.hitsPerGame) {
            deliver(Input::Press, now + 400);  // Start
            ++out.games;
            ++out.presses;
            for (int hit = 0; hit < hits; ++hit) {
                if (game.board().cmdAction == kStartCaption) {
                    until(idle);  // a finished level lays out the next track
                    deliver(Input::Press, now + 400);
                    ++out.presses;
                }
                // Wait for the particle to reach the ring, then press after the reaction time.
                until([&] { return inRing(); });
                const int level = game.state().Level;
                const float hitCount = game.state().HitCount;
                deliver(Input::Press, now + plan.reactionMs);
                if (game.state().Level == level && !(game.state().HitCount > hitCount))
                    throw std::runtime_error("the press came after the particle left the ring");
                ++out.presses;
                ++out.goodPresses;
                out.highestLevel = std::max<int>(out.highestLevel, game.state().Level);
            }
            if (game.board().cmdAction == kStartCaption) {
                until(idle);
                deliver(Input::Press, now + 400);
                ++out.presses;
            }
            // A miss: a press with the particle outside the ring, then the box closed.
            until([&] {
                const GameState& s = game.state();
                return s.Running && !s.RingFlags[static_cast<std::size_t>(s.BallIndex)];
            });
            deliver(Input::Press, now);
            ++out.presses;
            deliver(Input::MessageClosed, now + 700);
            until(idle);
            if (std::find(plan.submitAfterGames.begin(), plan.submitAfterGames.end(), out.games) !=
                plan.submitAfterGames.end())
                submit();
            if (plan.submitEachGame) {
                deliver(Input::Submit, now + 600);
                deliver(Input::MessageClosed, now + 600);
            }
        }
        if (plan.submit) submit();
        game.Quit(reading(now + 500));
    }
    return out;
}

}  // namespace gyrolap::testing
