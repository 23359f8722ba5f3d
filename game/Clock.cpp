// SPDX-License-Identifier: MIT
// The steady clock and its sleep; see Clock.h.
#include "game/Clock.h"

namespace gyrolap {

std::uint64_t SteadyClock::Milliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SteadyClock::Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
                       const std::atomic<bool>& pending, std::optional<std::uint64_t> wake) {
    const auto woken = [&pending] { return pending.load(); };
    if (!wake) {
        wakeUp.wait(lock, woken);
        return;
    }
    wakeUp.wait_until(lock, InstantOf(*wake), woken);
}

}  // namespace gyrolap
