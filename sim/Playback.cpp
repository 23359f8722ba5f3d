// SPDX-License-Identifier: MIT
// Playing a script step by step; see Playback.h.
#include "sim/Playback.h"

#include <algorithm>

namespace gyrolap::sim {

std::optional<Input> InputFor(EventKind kind) {
    switch (kind) {
        case EventKind::Press:
            return Input::Press;
        case EventKind::Submit:
            return Input::Submit;
        case EventKind::Ok:
            return Input::MessageClosed;
        case EventKind::Wake:
            return Input::WakeUp;
        case EventKind::Snap:
            break;
    }
    return std::nullopt;
}

void Playback::Load() {
    game_.PrepareLoad();
    driver_.Load(game_);
}

bool Playback::NextEventDue() const {
    return nextEvent_ < script_.events.size() && script_.events[nextEvent_].time <= script_.end;
}

std::optional<std::uint64_t> Playback::Next() const {
    std::optional<std::uint64_t> next;
    if (NextEventDue()) next = script_.events[nextEvent_].time;
    // A recording says when the window's timer woke the game; a plain script wakes it at every
    // deadline, as a timer that is never late would.
    if (!script_.recorded) {
        if (const auto wake = game_.NextWake()) {
            const std::uint64_t at = *wake - (driver_.Reading() - driver_.Now());
            if (at <= script_.end && (!next || at < *next)) next = at;
        }
    }
    if (!next && driver_.Now() < script_.end) next = script_.end;
    if (next) next = std::max(*next, driver_.Now());
    return next;
}

void Playback::RunTo(std::uint64_t time) {
    time = std::min(time, script_.end);
    const bool wakeAtDeadlines = !script_.recorded;
    while (NextEventDue() && script_.events[nextEvent_].time <= time) {
        const ScriptEvent& event = script_.events[nextEvent_++];
        driver_.AdvanceTo(game_, event.time, wakeAtDeadlines);
        if (const auto input = InputFor(event.kind))
            driver_.Deliver(game_, *input);
        else if (onSnap_)
            onSnap_(event.time);
    }
    driver_.AdvanceTo(game_, time, wakeAtDeadlines);
}

}  // namespace gyrolap::sim
