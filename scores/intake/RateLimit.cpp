// SPDX-License-Identifier: MIT
// The senders' buckets; see RateLimit.h.
#include "scores/intake/RateLimit.h"

#include <algorithm>
#include <cmath>

namespace gyrolap::scores {

RateLimit::RateLimit(std::size_t perMinute, std::size_t senders,
                     std::function<Clock::time_point()> now)
    : perMinute_(perMinute), senders_(senders), now_(std::move(now)) {}

double RateLimit::Refilled(const Bucket& bucket, Clock::time_point now) const {
    const double seconds = std::chrono::duration<double>(now - bucket.filled).count();
    return std::min(static_cast<double>(perMinute_),
                    bucket.tokens + seconds * static_cast<double>(perMinute_) / 60.0);
}

std::chrono::seconds RateLimit::Wait(double tokens) const {
    const double seconds = (1.0 - tokens) * 60.0 / static_cast<double>(perMinute_);
    return std::chrono::seconds(std::max<long long>(1, std::llround(std::ceil(seconds))));
}

std::chrono::seconds RateLimit::Take(const std::string& sender) {
    if (perMinute_ == 0) return std::chrono::seconds(0);
    const Clock::time_point now = now_();
    std::lock_guard lock(mutex_);
    auto found = buckets_.find(sender);
    if (found == buckets_.end()) {
        if (buckets_.size() >= senders_) {
            std::erase_if(buckets_, [&](const auto& kept) {
                return Refilled(kept.second, now) >= static_cast<double>(perMinute_);
            });
            if (buckets_.size() >= senders_) return Wait(0);
        }
        found = buckets_.emplace(sender, Bucket{static_cast<double>(perMinute_), now}).first;
    }
    Bucket& bucket = found->second;
    bucket.tokens = Refilled(bucket, now);
    bucket.filled = now;
    if (bucket.tokens < 1.0) return Wait(bucket.tokens);
    bucket.tokens -= 1.0;
    return std::chrono::seconds(0);
}

}  // namespace gyrolap::scores
