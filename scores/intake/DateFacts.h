// SPDX-License-Identifier: MIT
// A submission's date held against the day it reached the score page. The game writes the date
// in the player's own order of day and month, so both readings are kept where both are days.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gyrolap::scores {

struct DateReading {
    std::chrono::year_month_day day;
    std::int64_t daysBeforeReceived = 0;  // negative: after the day it was received
};

struct DateFacts {
    std::chrono::year_month_day received;
    // Every real calendar day the date can stand for; empty when it names none (a 31st of a
    // 30-day month, say), though the checker's pattern allows it.
    std::vector<DateReading> readings;
    // Later than the day received under every reading, by more than the day a player's clock
    // east of ours can be ahead.
    bool future = false;
};

// `date` as a valid submission holds it: three numbers of ASCII digits, one of them the year in
// four digits; `received` in UTC.
DateFacts FactsOfDate(std::string_view date, std::chrono::sys_days received);

// "2001-05-16".
std::string IsoDay(std::chrono::year_month_day day);

}  // namespace gyrolap::scores
