// SPDX-License-Identifier: MIT
// The game's clock: milliseconds on a count that does not wrap (the game's own 32-bit clock is
// its low bits), and the way the game's thread sleeps on it. One clock is handed to the game's
// thread and to the driver beside it, so an input and a wake-up are read on the same count.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace gyrolap {

class GameClock {
  public:
    virtual ~GameClock() = default;

    virtual std::uint64_t Now() = 0;

    // Block until `wake` (on Now's count; nothing: no deadline) or until `wakeUp` is notified,
    // which comes with `pending` set. Returning early is fine: the thread looks again and waits
    // again.
    virtual void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
                      const std::atomic<bool>& pending, std::optional<std::uint64_t> wake) = 0;

    // Whether the thread ends waits at their deadlines by itself. A clock that somebody else
    // moves says no, and whoever moves it posts the wake-ups as the input WakeUp.
    virtual bool WakesItself() const { return true; }
};

// The real clock, the milliseconds of std::chrono::steady_clock, and a sleep that ends at the
// very start of the deadline's millisecond: the moment the game's whole-millisecond clock
// reaches it, not up to a millisecond later as a millisecond timer would.
class SteadyClock final : public GameClock {
  public:
    std::uint64_t Now() override { return Milliseconds(); }
    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
              const std::atomic<bool>& pending, std::optional<std::uint64_t> wake) override;

    // The steady clock's milliseconds, the count the game's clock is the low 32 bits of.
    static std::uint64_t Milliseconds();
    // The instant at which the millisecond `ms` of Now's count begins.
    static std::chrono::steady_clock::time_point InstantOf(std::uint64_t ms) {
        return std::chrono::steady_clock::time_point(std::chrono::milliseconds(ms));
    }
};

}  // namespace gyrolap
