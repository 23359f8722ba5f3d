// SPDX-License-Identifier: MIT
// The verdict's words and the store's times; see Entry.h.
#include "scores/store/Entry.h"

#include <cstdio>
#include <ctime>

namespace gyrolap::scores {

std::string_view VerdictName(Verdict verdict) {
    return verdict == Verdict::Replayed ? "replayed" : "sealed";
}

std::optional<Verdict> VerdictNamed(std::string_view name) {
    if (name == "replayed") return Verdict::Replayed;
    if (name == "sealed") return Verdict::Sealed;
    return std::nullopt;
}

std::string UtcText(TimePoint time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::optional<TimePoint> UtcTime(std::string_view text) {
    using namespace std::chrono;
    if (text.size() != 20) return std::nullopt;
    int y = 0;
    unsigned mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    const std::string copy(text);
    if (std::sscanf(copy.c_str(), "%4d-%2u-%2uT%2u:%2u:%2u%c", &y, &mo, &d, &h, &mi, &s, &tail) !=
            7 ||
        tail != 'Z' || h > 23 || mi > 59 || s > 60)
        return std::nullopt;
    const year_month_day day{year(y), month(mo), std::chrono::day(d)};
    if (!day.ok()) return std::nullopt;
    return sys_days(day) + hours(h) + minutes(mi) + seconds(s);
}

}  // namespace gyrolap::scores
