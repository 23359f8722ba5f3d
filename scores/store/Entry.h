// SPDX-License-Identifier: MIT
// One entry of the score page as the store keeps it and the pages show it, and the proof that a
// replay adds to it, kept apart.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gyrolap::scores {

// Sealed: the validation code matches the text, nothing more is known. Replayed: a recording of
// the game was replayed and wrote this very text.
enum class Verdict { Sealed, Replayed };

// "sealed", "replayed": the word pages, JSON and the database use.
std::string_view VerdictName(Verdict verdict);
std::optional<Verdict> VerdictNamed(std::string_view name);

using TimePoint = std::chrono::system_clock::time_point;

struct Entry {
    std::int64_t id = 0;  // 0 until stored
    std::string nickname;
    std::string city;
    std::string state;
    std::string country;
    std::string text;  // the whole submission text
    // As the text writes them, and the numbers the checker proved from them, for the ranking:
    // the best score, and three times the average (exact: the board writes thirds).
    std::string best;
    std::string average;
    std::string date;
    std::int64_t bestValue = 0;
    std::int64_t averageThirds = 0;
    Verdict verdict = Verdict::Sealed;
    TimePoint received;  // whole seconds, UTC
    // How it was played, as FactsJson writes it ("{}" for a sealed entry); left empty by the
    // board's listing.
    std::string facts;
};

// What a replay adds to an entry: the board the game ended on, and the recording that proved
// it, as received (it must outlive the Put).
struct Proof {
    std::string board;
    std::string_view recording;
};

// "2026-12-10T18:41:07Z", as the store and the pages write a time.
std::string UtcText(TimePoint time);
// Nothing when `text` is not such a time.
std::optional<TimePoint> UtcTime(std::string_view text);

}  // namespace gyrolap::scores
