// SPDX-License-Identifier: MIT
// The classic way to wait, kept only to measure ours against: the game's thread does not sleep
// until a wait ends but spins on the steady clock, reading it again and again. Exact enough, and
// it burns a whole core while a game runs.
#pragma once

#include "game/Clock.h"

namespace gyrolap::bench {

class SpinningClock final : public GameClock {
  public:
    std::uint64_t Now() override { return steady_.Now(); }
    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
              const std::atomic<bool>& pending, std::optional<std::uint64_t> wake) override {
        if (!wake) {
            // Nothing to wait for on the clock: even a spinning design sits still then.
            wakeUp.wait(lock, [&pending] { return pending.load(); });
            return;
        }
        const auto until = SteadyClock::InstantOf(*wake);
        lock.unlock();
        while (!pending.load(std::memory_order_relaxed) &&
               std::chrono::steady_clock::now() < until) {
        }
        lock.lock();
    }

  private:
    SteadyClock steady_;
};

}  // namespace gyrolap::bench
