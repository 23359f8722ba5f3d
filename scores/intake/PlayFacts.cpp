// SPDX-License-Identifier: MIT
// Gathering how a session was played; see PlayFacts.h.
#include "scores/intake/PlayFacts.h"

#include <algorithm>
#include <cmath>

#include "game/Game.h"

namespace gyrolap::scores {

void MillisecondSpread::Add(std::int64_t ms) {
    min_ = count_ == 0 ? ms : std::min(min_, ms);
    max_ = count_ == 0 ? ms : std::max(max_, ms);
    ++count_;
    sum_ += ms;
    ++counts_[static_cast<std::size_t>(std::clamp<std::int64_t>(ms, 0, kTop))];
}

std::int64_t MillisecondSpread::Quantile(double q) const {
    if (count_ == 0) return 0;
    const auto wanted =
        std::max<std::uint64_t>(1, static_cast<std::uint64_t>(std::ceil(q * count_)));
    std::uint64_t seen = 0;
    for (std::size_t ms = 0; ms < counts_.size(); ++ms) {
        seen += counts_[ms];
        // The ends are known exactly even where the buckets clamp them.
        if (seen >= wanted)
            return std::clamp<std::int64_t>(static_cast<std::int64_t>(ms), min_, max_);
    }
    return max_;
}

std::uint64_t MillisecondSpread::CountOf(std::int64_t ms) const {
    return ms >= 0 && ms < kTop ? counts_[static_cast<std::size_t>(ms)] : 0;
}

void RandomSpread::Add(double value) {
    min = count == 0 ? value : std::min(min, value);
    max = count == 0 ? value : std::max(max, value);
    ++count;
    const double delta = value - mean;
    mean += delta / static_cast<double>(count);
    m2 += delta * (value - mean);
    const auto tenth = static_cast<std::size_t>(std::clamp(std::floor(value * 10), 0.0, 9.0));
    ++byTenth[tenth];
}

double RandomSpread::StdDev() const {
    return count > 1 ? std::sqrt(m2 / static_cast<double>(count)) : 0.0;
}

PlayFactsWatcher::Seen PlayFactsWatcher::Look(const Game& game) const {
    const GameState& s = game.state();
    Seen seen;
    seen.level = s.Level;
    seen.hitCount = s.HitCount;
    seen.ballIndex = s.BallIndex;
    seen.running = s.Running;
    seen.inRing = s.Running && s.BallIndex >= 1 && s.BallIndex <= kBallCount &&
                  s.RingFlags[static_cast<std::size_t>(s.BallIndex)];
    seen.start = game.board().cmdAction == kStartCaption;
    seen.messageOpen = game.MessageOpen();
    // The game's readings count on from the clock at start-up.
    if (const auto wake = game.NextWake(); wake && *wake >= clock_) seen.wake = *wake - clock_;
    return seen;
}

void PlayFactsWatcher::Loaded(const Game& game, std::uint32_t clock) {
    clock_ = clock;
    seen_ = Look(game);
    facts_.highestLevel = seen_.level;
    facts_.finalBoard = game.board();
}

void PlayFactsWatcher::Delivered(const Game& game, std::uint64_t time, Input input) {
    const Seen before = seen_;
    const Seen after = Look(game);
    // The input may have found a step due and taken it first; the particle then came to its
    // ball at this very reading.
    const std::uint64_t arrived = after.ballIndex != before.ballIndex ? time : arrivedAt_;

    switch (input) {
        case Input::Press:
            if (before.messageOpen) break;  // the box swallows it
            ++facts_.presses;
            facts_.lastInputMs = time;
            if (before.start) {
                if (before.level == 1) ++facts_.games;
            } else if (after.level > before.level ||
                       (after.level == before.level && after.hitCount > before.hitCount)) {
                ++facts_.goodPresses;
                facts_.reactionMs.Add(static_cast<std::int64_t>(time - arrived));
            }
            break;
        case Input::Submit:
            if (!before.messageOpen) ++facts_.submits;
            facts_.lastInputMs = time;
            break;
        case Input::MessageClosed:
            facts_.lastInputMs = time;
            break;
        case Input::WakeUp:
            if (before.wake) {
                facts_.wakeLateMs.Add(static_cast<std::int64_t>(time) -
                                      static_cast<std::int64_t>(*before.wake));
            }
            break;
    }
    // A new run may start on the very ball the last one ended on.
    if (after.ballIndex != before.ballIndex || after.running != before.running) arrivedAt_ = time;
    facts_.highestLevel = std::max<int>(facts_.highestLevel, after.level);
    facts_.finalBoard = game.board();
    seen_ = after;
}

void PlayFactsWatcher::Drew(float value) {
    facts_.randoms.Add(static_cast<double>(value));
}

}  // namespace gyrolap::scores
