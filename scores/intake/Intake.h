// SPDX-License-Identifier: MIT
// The one way in for a submission, whatever brought it (the web form, the API): judged, then
// stored, with an outcome of a kind and a reason, and no word of HTTP.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "scores/intake/Judge.h"
#include "scores/intake/Slots.h"
#include "scores/store/Store.h"

namespace gyrolap::scores {

enum class OutcomeKind {
    Created,      // a new entry
    Existing,     // the text was stored already
    Upgraded,     // a sealed entry is replayed now
    UnfitField,   // refused: a name is not fit to store, a field is missing or doubled
    DoesNotHold,  // refused: the code does not seal the text, or the recording does not prove it
    Busy,         // refused for now: no replay could start in time
    TooMany,      // refused for now: the sender sent too many of late
    StoreAway,    // refused for now: the database cannot be reached or written; nothing was stored
    NotStored,    // the store failed; nothing was stored
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::NotStored;
    std::string reason;          // for a refusal, for the sender
    std::optional<Entry> entry;  // as stored, when it was
};

struct IntakeOptions {
    // Replays at once; a submission with a recording waits `slotWait` for a place, then is
    // told to come back.
    std::size_t replaySlots = 2;
    std::chrono::milliseconds slotWait{2000};
    // The time entries are stamped with as received.
    std::function<TimePoint()> now = [] { return std::chrono::system_clock::now(); };
};

class Intake {
  public:
    Intake(Store& store, IntakeOptions options);

    // Judges the submission and stores it when it holds. A store that fails is said on standard
    // error and answered NotStored.
    Outcome Receive(const SubmissionForm& form);

    // The replays' places, for the tests to hold.
    Slots& ReplaySlots() { return replays_; }

  private:
    Store& store_;
    IntakeOptions options_;
    Slots replays_;
};

}  // namespace gyrolap::scores
