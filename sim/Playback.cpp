// SPDX-License-Identifier: MIT
// Playing a script step by step; see Playback.h.
#include "sim/Playback.h"

#include <algorithm>

namespace gyrolap::sim {

std::optional<std::uint64_t> Playback::Next() {
    std::optional<std::uint64_t> next;
    if (const ScriptEvent* event = script_.Peek()) next = event->time;
    // A recording says when the window's timer woke the game; a plain script wakes it at every
    // deadline, as a timer that is never late would.
    if (!script_.Recorded()) {
        if (const auto wake = game_.NextWake()) {
            const std::uint64_t at = *wake - (clock_.Reading() - clock_.Now());
            if (at <= script_.End() && (!next || at < *next)) next = at;
        }
    }
    if (!next && clock_.Now() < script_.End()) next = script_.End();
    if (next) next = std::max(*next, clock_.Now());
    return next;
}

void Playback::RunTo(std::uint64_t time) {
    const bool wakeAtDeadlines = !script_.Recorded();
    while (const ScriptEvent* next = script_.Peek()) {
        if (next->time > time) break;
        const ScriptEvent event = *next;
        script_.Take();
        clock_.AdvanceTo(game_, event.time, wakeAtDeadlines);
        if (event.input)
            clock_.Deliver(game_, *event.input);
        else if (onSnap_)
            onSnap_(event.time, game_);
    }
    // Once no event is left the end is known, and nothing happens past it.
    if (!script_.Peek()) time = std::min(time, script_.End());
    clock_.AdvanceTo(game_, time, wakeAtDeadlines);
}

}  // namespace gyrolap::sim
