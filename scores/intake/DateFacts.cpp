// SPDX-License-Identifier: MIT
// Reading a submission's date; see DateFacts.h.
#include "scores/intake/DateFacts.h"

#include <cstdio>
#include <span>

namespace gyrolap::scores {
namespace {

// A player's clock may already show tomorrow where we still have today: up to 14 hours east.
constexpr std::int64_t kZoneSlackDays = 1;

struct Number {
    unsigned value = 0;
    std::size_t digits = 0;
};

std::vector<Number> Numbers(std::string_view date) {
    std::vector<Number> numbers;
    for (std::size_t at = 0; at < date.size();) {
        if (date[at] < '0' || date[at] > '9') {
            ++at;
            continue;
        }
        Number number;
        for (; at < date.size() && date[at] >= '0' && date[at] <= '9'; ++at) {
            if (number.digits < 9) number.value = number.value * 10 + unsigned(date[at] - '0');
            ++number.digits;
        }
        numbers.push_back(number);
    }
    return numbers;
}

}  // namespace

std::string IsoDay(std::chrono::year_month_day day) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    return text;
}

DateFacts FactsOfDate(std::string_view date, std::chrono::sys_days received) {
    using namespace std::chrono;
    DateFacts facts;
    facts.received = year_month_day(received);
    const std::vector<Number> numbers = Numbers(date);
    if (numbers.size() != 3) return facts;
    int year = 0;
    std::vector<unsigned> others;
    for (const Number& n : numbers) {
        if (n.digits == 4 && year == 0) {
            year = static_cast<int>(n.value);
        } else {
            others.push_back(n.value);
        }
    }
    if (year == 0 || others.size() != 2) return facts;
    // With the year first, every short date format goes on with the month and the day; with
    // the year last, month first and day first are both in use. One reading when both give
    // the same day.
    const bool yearFirst = numbers.front().digits == 4;
    const unsigned pairs[2][2] = {{others[0], others[1]}, {others[1], others[0]}};
    for (const auto& [month, day] : std::span<const unsigned[2]>(pairs, yearFirst ? 1 : 2)) {
        const year_month_day reading{std::chrono::year(year), std::chrono::month(month),
                                     std::chrono::day(day)};
        if (!reading.ok()) continue;
        if (!facts.readings.empty() && facts.readings.front().day == reading) continue;
        facts.readings.push_back({reading, (received - sys_days(reading)).count()});
    }
    facts.future = !facts.readings.empty();
    for (const DateReading& reading : facts.readings)
        if (reading.daysBeforeReceived >= -kZoneSlackDays) facts.future = false;
    return facts;
}

}  // namespace gyrolap::scores
