// SPDX-License-Identifier: MIT
// How a replay was played, as the store keeps it: a JSON object written and read here alone,
// so that no other file depends on its key names.
#pragma once

#include <QJsonObject>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "scores/intake/PlayFacts.h"

namespace gyrolap::scores {

// The facts of a replay; "{}" for a sealed entry, which has none.
std::string FactsJson(const std::optional<PlayFacts>& facts);

// A spread of milliseconds as kept: its middle and two quantiles round it.
struct StoredSpread {
    std::int64_t count = 0;
    std::int64_t min = 0;
    std::int64_t max = 0;
    std::int64_t median = 0;
    std::int64_t low = 0;   // p10 for reactions, p90 for wake-ups
    std::int64_t high = 0;  // p90 for reactions, p99 for wake-ups
};

// What the entry's page shows of the kept facts.
struct StoredFacts {
    std::int64_t games = 0;
    std::int64_t presses = 0;
    std::int64_t goodPresses = 0;
    std::int64_t highestLevel = 0;
    StoredSpread reactionMs;
    StoredSpread wakeLateMs;
    std::int64_t wakesOnTime = 0;
    std::int64_t randomCount = 0;
    double randomMean = 0;
    double randomStdDev = 0;
    std::optional<std::int64_t> cutAfterLine;
};

// The kept facts read back; all zero for "{}" or for what is not such an object.
StoredFacts ReadFacts(std::string_view json);
// The kept facts as the object the entry's JSON shows, whole.
QJsonObject FactsObject(std::string_view json);

}  // namespace gyrolap::scores
