// SPDX-License-Identifier: MIT
// A fixed number of places for costly work (replays, large uploads): a request takes one or waits
// a little for one, so the work done at once, and the memory it holds, stay bounded.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace gyrolap::scores {

class Slots {
  public:
    explicit Slots(std::size_t count) : free_(count) {}

    // Takes a place, waiting at most `wait` for one to come free; false when none did.
    bool Take(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        if (!freed_.wait_for(lock, wait, [this] { return free_ > 0; })) return false;
        --free_;
        return true;
    }
    void Give() {
        {
            std::lock_guard lock(mutex_);
            ++free_;
        }
        freed_.notify_one();
    }

  private:
    std::mutex mutex_;
    std::condition_variable freed_;
    std::size_t free_;
};

// Holds a place for as long as it lives.
class SlotHeld {
  public:
    SlotHeld() = default;
    explicit SlotHeld(Slots& from) : slots_(&from) {}
    SlotHeld(SlotHeld&& other) noexcept : slots_(other.slots_) { other.slots_ = nullptr; }
    SlotHeld& operator=(SlotHeld&& other) noexcept {
        if (this != &other) {
            Release();
            slots_ = other.slots_;
            other.slots_ = nullptr;
        }
        return *this;
    }
    ~SlotHeld() { Release(); }
    explicit operator bool() const noexcept { return slots_ != nullptr; }
    void Release() {
        if (slots_) slots_->Give();
        slots_ = nullptr;
    }

  private:
    Slots* slots_ = nullptr;
};

}  // namespace gyrolap::scores
