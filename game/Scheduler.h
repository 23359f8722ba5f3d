// SPDX-License-Identifier: MIT
// The stack of suspended activities. Every event starts an activity; one that waits goes on
// top, and only the top may resume: an event handler that arrives while another waits runs
// inside that wait, and the one below goes on only once it has finished. The nesting lives
// in heap frames, so however deep players nest their games, no native stack grows.
#pragma once

#include <coroutine>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "game/Task.h"

namespace gyrolap {

class Effects;

// What a suspended activity waits for.
struct Wait {
    enum class Kind : std::uint8_t { None, Clock, Message };
    Kind kind = Kind::None;
    // Clock waits end once (clock - *start) mod 2^32 >= *delay. Both are read afresh at every
    // check, so a handler that moves StepStart or shortens the delay moves the end of the wait.
    const std::uint32_t* start = nullptr;
    const float* delay = nullptr;
};

class Scheduler {
  public:
    explicit Scheduler(Effects& effects) : effects_(effects) {}
    ~Scheduler() { Clear(); }
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // The clock reading every check and every handler sees until the next SetClock: one
    // delivered input or wake-up sees one reading, so replaying the same readings replays the
    // same game.
    void SetClock(std::uint32_t now) noexcept { now_ = now; }
    std::uint32_t Clock() const noexcept { return now_; }

    // Run a handler at once, as an event handler runs. If it waits, it becomes the top activity.
    // Exceptions a handler ends with come out here (or out of Settle/MessageClosed).
    void Start(Task task);

    // Resume the top activity for as long as its wait is over. Call after every delivered event
    // and whenever the clock reaches Deadline(). Says whether anything resumed.
    bool Settle();

    // The open message box was closed: the activity waiting for it goes on.
    void MessageClosed();

    // The clock reading at which the top activity's clock wait ends, or nothing when no
    // activity waits on the clock. The reading may already have passed.
    std::optional<std::uint32_t> Deadline() const;

    bool Idle() const noexcept { return stack_.empty(); }
    std::size_t Depth() const noexcept { return stack_.size(); }
    bool WaitingForMessage() const noexcept {
        return !stack_.empty() && stack_.back().wait.kind == Wait::Kind::Message;
    }

    // Quit: destroy every suspended activity, top first, without resuming any of them.
    void Clear() noexcept;

    // Awaitables for the handlers.
    struct ClockAwaiter {
        Scheduler& scheduler;
        Wait wait;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle) noexcept {
            scheduler.Suspend(handle, wait);
        }
        void await_resume() const noexcept {}
    };
    struct MessageAwaiter {
        Scheduler& scheduler;
        std::string_view title;
        std::string_view text;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle);
        void await_resume() const noexcept {}
    };

    // Wait until (clock - *start) >= *delay, both read afresh at every check.
    ClockAwaiter WaitClock(const std::uint32_t& start, const float& delay) {
        return ClockAwaiter{*this, Wait{Wait::Kind::Clock, &start, &delay}};
    }
    // Both are kept by reference and read at every check: a temporary would dangle.
    ClockAwaiter WaitClock(const std::uint32_t&&, const float&) = delete;
    ClockAwaiter WaitClock(const std::uint32_t&, const float&&) = delete;
    // Show a modal message box and wait until it is closed.
    MessageAwaiter ShowMessage(std::string_view title, std::string_view text) {
        return MessageAwaiter{*this, title, text};
    }

  private:
    struct Activity {
        Task root;
        std::coroutine_handle<> leaf;
        Wait wait;
    };

    // The top clock wait as its start, the milliseconds since then and the whole
    // milliseconds it needs: one reading for the readiness check and both deadline queries.
    struct ClockProgress {
        std::uint32_t start;
        std::uint32_t elapsed;
        double needed;
    };

    // A coroutine of the running activity reached a wait: it is recorded on the top entry.
    void Suspend(std::coroutine_handle<> leaf, Wait wait) noexcept;
    std::optional<ClockProgress> TopClockWait() const;
    bool TopReady() const;
    void ResumeTop();

    Effects& effects_;
    std::uint32_t now_ = 0;
    std::vector<Activity> stack_;
};

}  // namespace gyrolap
