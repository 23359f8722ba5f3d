// SPDX-License-Identifier: MIT
// Judging one submission as the score page receives it: the text checked exactly as
// gyrolap-check checks it, and a recording, when one came, replayed exactly as
// gyrolap-check --replay replays it.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "scores/intake/Slots.h"
#include "scores/store/Entry.h"

namespace gyrolap::scores {

// A submission as it came, by whatever way: the web form, the API.
struct SubmissionForm {
    std::string_view nickname;
    std::string_view city;
    std::string_view state;
    std::string_view country;
    std::string_view text;
    std::optional<std::string_view> recording;
};

// Why a submission is not stored; None when it is to be.
enum class Refusal {
    None,
    UnfitField,   // a name is too long or empty, a field is missing
    DoesNotHold,  // the text's code does not seal it, or the recording does not prove it
    Busy,         // no replay could start in time
};

struct Judgement {
    Refusal refusal = Refusal::None;
    std::string reason;
    Entry entry;
    // For a replayed entry: what the replay adds. `recording` points into the form's bytes.
    std::optional<Proof> proof;
};

struct Replays {
    Slots& places;
    std::chrono::milliseconds wait;
};

// `received` is the time the entry will carry.
Judgement Judge(const SubmissionForm& form, Replays replays, TimePoint received);

}  // namespace gyrolap::scores
