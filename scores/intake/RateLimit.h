// SPDX-License-Identifier: MIT
// How often one sender may submit: a bucket of tokens per sender (a client's address), filled at
// a steady rate up to a burst of a minute's worth, one token taken per submission. An honest
// player sends a few scores an hour; one address sending thousands is refused before any of
// them is judged.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

namespace gyrolap::scores {

class RateLimit {
  public:
    using Clock = std::chrono::steady_clock;

    // `perMinute` submissions a minute for each sender, at most that many at once; 0 for no
    // limit. At most `senders` are remembered: beyond them, those whose buckets are full again
    // are forgotten, and while none is, a new sender waits as if its bucket were empty.
    explicit RateLimit(
        std::size_t perMinute, std::size_t senders = 65536,
        std::function<Clock::time_point()> now = [] { return Clock::now(); });

    // Zero when `sender` may submit now (a token is taken); else how long until it may.
    std::chrono::seconds Take(const std::string& sender);

  private:
    struct Bucket {
        double tokens = 0;
        Clock::time_point filled;
    };
    double Refilled(const Bucket& bucket, Clock::time_point now) const;
    std::chrono::seconds Wait(double tokens) const;

    std::size_t perMinute_;
    std::size_t senders_;
    std::function<Clock::time_point()> now_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace gyrolap::scores
