// SPDX-License-Identifier: MIT
// How a recorded session was played, gathered while it is replayed: for the score keeper to
// judge, not a verdict. A replay proves that a text follows from the recorded inputs under the
// game's rules; whether a person made those inputs shows, if at all, in facts such as these.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "game/Board.h"
#include "sim/Replay.h"

namespace gyrolap::scores {

// Whole milliseconds counted in fixed memory, however many come: exact quantiles up to
// kTop - 1 ms; larger values count as kTop there but keep their own minimum, maximum and mean.
class MillisecondSpread {
  public:
    static constexpr std::int64_t kTop = 4096;

    void Add(std::int64_t ms);

    std::uint64_t Count() const noexcept { return count_; }
    std::int64_t Min() const noexcept { return min_; }
    std::int64_t Max() const noexcept { return max_; }
    double Mean() const noexcept { return count_ ? static_cast<double>(sum_) / count_ : 0.0; }
    // The smallest value with at least share q of the values at or below it; 0 when empty.
    std::int64_t Quantile(double q) const;
    // How many values were exactly `ms` (0 <= ms < kTop).
    std::uint64_t CountOf(std::int64_t ms) const;

  private:
    std::array<std::uint64_t, kTop + 1> counts_{};
    std::uint64_t count_ = 0;
    std::int64_t min_ = 0;
    std::int64_t max_ = 0;
    std::int64_t sum_ = 0;
};

// The random values the game drew: a real generator spreads them evenly over [0, 1).
struct RandomSpread {
    std::uint64_t count = 0;
    double min = 0;
    double max = 0;
    double mean = 0;
    double m2 = 0;  // running sum of squared deviations (Welford)
    std::array<std::uint64_t, 10> byTenth{};

    void Add(double value);
    double StdDev() const;
};

struct PlayFacts {
    std::uint64_t games = 0;        // Start presses on level 1
    std::uint64_t presses = 0;      // presses the game took (not while a box was open)
    std::uint64_t goodPresses = 0;  // presses that counted a hit
    std::uint64_t submits = 0;      // Submit Score clicks the game took
    int highestLevel = 0;
    std::uint64_t lastInputMs = 0;  // when the last input came, after start-up
    // From the particle arriving at a ring position to the good press there.
    MillisecondSpread reactionMs;
    // How long after the instant it waited for each recorded wake-up came. A window's timer
    // wakes a little late now and then; a script written by hand or by a program never does.
    MillisecondSpread wakeLateMs;
    RandomSpread randoms;
    // The recording stopped without its end line; it was played up to this line.
    std::optional<std::size_t> cutAfterLine;
    // The board the game ended on.
    Board finalBoard;
};

// Watches one replay and gathers its facts.
class PlayFactsWatcher final : public sim::ReplayWatcher {
  public:
    void Loaded(const Game& game, std::uint32_t clock) override;
    void Delivered(const Game& game, std::uint64_t time, Input input) override;
    void Drew(float value) override;

    PlayFacts& facts() noexcept { return facts_; }

  private:
    // What the watcher needs of the game as it stood after the last input.
    struct Seen {
        std::int16_t level = 0;
        float hitCount = 0;
        std::int32_t ballIndex = 0;
        bool running = false;
        bool inRing = false;
        bool start = false;  // the action button reads Start
        bool messageOpen = false;
        std::optional<std::uint64_t> wake;  // the deadline waited for, ms after start-up
    };
    Seen Look(const Game& game) const;

    PlayFacts facts_;
    std::uint32_t clock_ = 0;
    Seen seen_;
    std::uint64_t arrivedAt_ = 0;  // when the particle came to the ball it is on
};

}  // namespace gyrolap::scores
