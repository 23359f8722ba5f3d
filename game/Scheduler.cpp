// The activity stack; see Scheduler.h.
#include "game/Scheduler.h"

#include <cmath>
#include <stdexcept>

#include "game/Platform.h"

namespace gyrolap {

void Scheduler::Suspend(std::coroutine_handle<> leaf, Wait wait) noexcept {
    suspendedLeaf_ = leaf;
    suspendedWait_ = wait;
}

void Scheduler::MessageAwaiter::await_suspend(std::coroutine_handle<> handle) {
    scheduler.Suspend(handle, Wait{Wait::Kind::Message, nullptr, nullptr});
    scheduler.platform_.ShowMessage(title, text);
}

void Scheduler::Start(Task task) {
    if (task.Done()) return;
    suspendedLeaf_ = {};
    task.handle().resume();
    if (task.Done()) {
        task.RethrowIfFailed();
        return;
    }
    if (!suspendedLeaf_) throw std::logic_error("a handler suspended outside of a wait");
    stack_.push_back(Activity{std::move(task), std::exchange(suspendedLeaf_, {}), suspendedWait_});
}

void Scheduler::ResumeTop() {
    std::coroutine_handle<> leaf = stack_.back().leaf;
    stack_.back().wait = Wait{};
    suspendedLeaf_ = {};
    // Nothing can push an activity while this one runs: events are only delivered between
    // resumptions, never from inside a handler.
    leaf.resume();
    Activity& top = stack_.back();
    if (top.root.Done()) {
        Task finished = std::move(top.root);
        stack_.pop_back();
        finished.RethrowIfFailed();
        return;
    }
    if (!suspendedLeaf_) throw std::logic_error("a handler suspended outside of a wait");
    top.leaf = std::exchange(suspendedLeaf_, {});
    top.wait = suspendedWait_;
}

bool Scheduler::TopReady() const {
    if (stack_.empty()) return false;
    const Wait& wait = stack_.back().wait;
    if (wait.kind != Wait::Kind::Clock) return false;
    std::uint32_t elapsed = now_ - *wait.start;  // modulo 2^32
    return static_cast<double>(elapsed) >= static_cast<double>(*wait.delay);
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

std::optional<std::uint32_t> Scheduler::DelayToDeadline() const {
    if (stack_.empty() || stack_.back().wait.kind != Wait::Kind::Clock) return std::nullopt;
    const Wait& wait = stack_.back().wait;
    std::uint32_t elapsed = now_ - *wait.start;
    // The clock counts whole milliseconds, so a fractional delay ends at the next whole one.
    double needed = std::ceil(static_cast<double>(*wait.delay));
    if (static_cast<double>(elapsed) >= needed) return 0u;
    return static_cast<std::uint32_t>(needed - static_cast<double>(elapsed));
}

std::optional<std::uint32_t> Scheduler::Deadline() const {
    if (stack_.empty() || stack_.back().wait.kind != Wait::Kind::Clock) return std::nullopt;
    const Wait& wait = stack_.back().wait;
    return *wait.start + static_cast<std::uint32_t>(std::ceil(static_cast<double>(*wait.delay)));
}

void Scheduler::Clear() noexcept {
    while (!stack_.empty()) stack_.pop_back();
}

}  // namespace gyrolap
