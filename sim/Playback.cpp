// SPDX-License-Identifier: MIT
// Playing a script step by step; see Playback.h.
#include "sim/Playback.h"

#include <algorithm>

namespace gyrolap::sim {

void Playback::Load() {
    driver_.Load(game_);
}

std::optional<std::uint64_t> Playback::Next() {
    std::optional<std::uint64_t> next;
    if (const ScriptEvent* event = source_.Peek()) next = event->time;
    // A recording says when the window's timer woke the game; a plain script wakes it at every
    // deadline, as a timer that is never late would.
    if (!source_.Recorded()) {
        if (const auto wake = game_.NextWake()) {
            const std::uint64_t at = *wake - (driver_.Reading() - driver_.Now());
            if (at <= source_.End() && (!next || at < *next)) next = at;
        }
    }
    if (!next && driver_.Now() < source_.End()) next = source_.End();
    if (next) next = std::max(*next, driver_.Now());
    return next;
}

void Playback::RunTo(std::uint64_t time) {
    const bool wakeAtDeadlines = !source_.Recorded();
    while (const ScriptEvent* next = source_.Peek()) {
        if (next->time > time) break;
        const ScriptEvent event = *next;
        source_.Take();
        driver_.AdvanceTo(game_, event.time, wakeAtDeadlines);
        if (event.input)
            driver_.Deliver(game_, *event.input);
        else if (onSnap_)
            onSnap_(event.time);
    }
    // Once no event is left the end is known, and nothing happens past it.
    if (!source_.Peek()) time = std::min(time, source_.End());
    driver_.AdvanceTo(game_, time, wakeAtDeadlines);
}

}  // namespace gyrolap::sim
