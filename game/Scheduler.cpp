// SPDX-License-Identifier: MIT
// The activity stack; see Scheduler.h.
#include "game/Scheduler.h"

#include <cmath>
#include <exception>
#include <stdexcept>
#include <utility>

#include "game/Ports.h"

namespace gyrolap {

void Scheduler::Suspend(std::coroutine_handle<> leaf, Wait wait) noexcept {
    // Only a resumed activity can reach a wait, and it is on top while it runs.
    if (stack_.empty()) std::terminate();
    stack_.back().leaf = leaf;
    stack_.back().wait = wait;
}

void Scheduler::MessageAwaiter::await_suspend(std::coroutine_handle<> handle) {
    scheduler.Suspend(handle, Wait{Wait::Kind::Message, nullptr, nullptr});
    scheduler.effects_.ShowMessage(title, text);
}

void Scheduler::Start(Task task) {
    if (task.Done()) return;
    // On the stack before it runs, so that its first wait writes straight into its entry.
    const std::coroutine_handle<> root = task.handle();
    stack_.push_back(Activity{std::move(task), root, Wait{}});
    ResumeTop();
}

void Scheduler::ResumeTop() {
    // Nothing can push an activity while this one runs: events are only delivered between
    // resumptions, never from inside a handler. So the top entry stays the running activity's
    // own, and its next wait lands there.
    const std::coroutine_handle<> leaf = std::exchange(stack_.back().leaf, {});
    stack_.back().wait = Wait{};
    leaf.resume();
    Activity& top = stack_.back();
    if (top.root.Done()) {
        Task finished = std::move(top.root);
        stack_.pop_back();
        finished.RethrowIfFailed();
        return;
    }
    if (!top.leaf) {
        stack_.pop_back();
        throw std::logic_error("a handler suspended outside of a wait");
    }
}

std::optional<Scheduler::ClockProgress> Scheduler::TopClockWait() const {
    if (stack_.empty() || stack_.back().wait.kind != Wait::Kind::Clock) return std::nullopt;
    const Wait& wait = stack_.back().wait;
    // The clock counts whole milliseconds, so a fractional delay ends at the next whole one.
    return ClockProgress{*wait.start, now_ - *wait.start,  // modulo 2^32
                         std::ceil(static_cast<double>(*wait.delay))};
}

bool Scheduler::TopReady() const {
    const auto wait = TopClockWait();
    return wait && static_cast<double>(wait->elapsed) >= wait->needed;
}

bool Scheduler::Settle() {
    bool resumed = false;
    while (TopReady()) {
        resumed = true;
        ResumeTop();
    }
    return resumed;
}

void Scheduler::MessageClosed() {
    if (WaitingForMessage()) ResumeTop();
}

std::optional<std::uint32_t> Scheduler::Deadline() const {
    const auto wait = TopClockWait();
    if (!wait) return std::nullopt;
    return wait->start + static_cast<std::uint32_t>(wait->needed);
}

void Scheduler::Clear() noexcept {
    while (!stack_.empty()) stack_.pop_back();
}

}  // namespace gyrolap
