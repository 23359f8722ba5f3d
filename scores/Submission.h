// SPDX-License-Identifier: MIT
// Judging one submission as the score page receives it: the text checked exactly as
// gyrolap-check checks it, and a recording, when one came, replayed exactly as
// gyrolap-check --replay replays it.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "scores/Slots.h"
#include "scores/Store.h"

namespace gyrolap::scores {

struct SubmissionForm {
    std::string_view nickname;
    std::string_view city;
    std::string_view state;
    std::string_view country;
    std::string_view text;
    std::optional<std::string_view> recording;
};

struct Judgement {
    // 0 when the submission is to be stored; else the HTTP status to refuse it with: 400 a
    // field is not fit to store, 422 the text or the recording does not hold, 503 no replay
    // could start in time.
    int refusal = 0;
    std::string reason;
    NewEntry entry;
};

struct Replays {
    Slots& places;
    std::chrono::milliseconds wait;
};

// `received` is the UTC time stamp the entry will carry.
Judgement Judge(const SubmissionForm& form, Replays replays, std::string received);

}  // namespace gyrolap::scores
