// SPDX-License-Identifier: MIT
// The service's JSON answers, written by Qt's JSON writer so that every string in them is
// escaped as JSON wants, whatever a player typed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scores/intake/DateFacts.h"
#include "scores/store/Entry.h"

namespace gyrolap::scores {

// {"error": REASON}
std::string ErrorJson(std::string_view reason);
// The answer to a new entry: {"id", "verdict", "best", "average", "date"}.
std::string CreatedJson(const Entry& entry);
// One entry as the leaderboard lists it: {"id", "nickname", "city", "state", "country", "best",
// "average", "date", "verdict", "received"}.
std::string EntryJson(const Entry& entry);
// The leaderboard: an array of those, in the order given.
std::string ScoresJson(const std::vector<Entry>& entries);
// One entry in full: the leaderboard's fields, its text, and how it was played ("howPlayed":
// the stored facts of its replay and its date against the day it came).
std::string EntryDetailJson(const Entry& entry, const DateFacts& date);

}  // namespace gyrolap::scores
