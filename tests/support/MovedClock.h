// SPDX-License-Identifier: MIT
// A clock the test moves, for the game's thread and the driver beside it. It never wakes the
// thread by itself: the test plays the timer, posting each wake-up as an input. And it tells the
// test when the thread has handled everything it was given, for the thread only ever sleeps on
// it with nothing to do.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "game/Clock.h"

namespace gyrolap::testing {

class MovedClock final : public GameClock {
  public:
    explicit MovedClock(std::uint64_t start = 0) : now(start) {}

    std::uint64_t Now() override { return now.load(); }
    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
              const std::atomic<bool>& pending, std::optional<std::uint64_t>) override {
        {
            std::lock_guard guard(mutex_);
            pending_ = &pending;
            sleeping_ = true;
        }
        changed_.notify_all();
        wakeUp.wait(lock, [&pending] { return pending.load(); });
        std::lock_guard guard(mutex_);
        sleeping_ = false;
    }
    bool WakesItself() const override { return false; }

    // Returns once the thread has handled every input posted before the call and sleeps: a
    // post raises the thread's pending flag, and only the thread lowers it, when it takes the
    // inputs, before it can sleep again.
    void WaitIdle() {
        std::unique_lock guard(mutex_);
        changed_.wait(guard, [this] { return sleeping_ && !pending_->load(); });
    }

    std::atomic<std::uint64_t> now;

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const std::atomic<bool>* pending_ = nullptr;
    bool sleeping_ = false;
};

}  // namespace gyrolap::testing
