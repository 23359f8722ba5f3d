// SPDX-License-Identifier: MIT
// The coroutine type of every handler that can wait. A Task starts lazily, can await another
// Task, and hands control straight back to whoever awaited it when it finishes.
#pragma once

#include <coroutine>
#include <cstddef>
#include <exception>
#include <utility>

#include "game/CoroutineFrames.h"

namespace gyrolap {

class [[nodiscard]] Task {
  public:
    struct promise_type {
        std::coroutine_handle<> continuation;
        std::exception_ptr error;

        Task get_return_object() noexcept {
            return Task{std::coroutine_handle<promise_type>::from_promise(*this)};
        }
        std::suspend_always initial_suspend() noexcept { return {}; }

        struct FinalAwaiter {
            bool await_ready() noexcept { return false; }
            // Symmetric transfer: the parent resumes as a tail call, so a chain of finishing
            // handlers never piles up native stack frames.
            std::coroutine_handle<> await_suspend(
                std::coroutine_handle<promise_type> self) noexcept {
                auto next = self.promise().continuation;
                return next ? next : std::noop_coroutine();
            }
            void await_resume() noexcept {}
        };
        FinalAwaiter final_suspend() noexcept { return {}; }
        void return_void() noexcept {}
        void unhandled_exception() noexcept { error = std::current_exception(); }

        // Frames are counted, so the endurance benchmark can say what a nested game costs.
        static void* operator new(std::size_t size) { return CoroutineFrames::Allocate(size); }
        static void operator delete(void* frame, std::size_t size) noexcept {
            CoroutineFrames::Release(frame, size);
        }
    };
    using Handle = std::coroutine_handle<promise_type>;

    Task() = default;
    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() { Reset(); }

    bool Done() const noexcept { return !handle_ || handle_.done(); }
    // Rethrows what the task ended with, if it ended by an exception.
    void RethrowIfFailed() const {
        if (handle_ && handle_.promise().error) std::rethrow_exception(handle_.promise().error);
    }

    struct Awaiter {
        Handle child;
        bool await_ready() const noexcept { return !child || child.done(); }
        std::coroutine_handle<> await_suspend(std::coroutine_handle<> parent) noexcept {
            child.promise().continuation = parent;
            return child;
        }
        void await_resume() const {
            if (child && child.promise().error) std::rethrow_exception(child.promise().error);
        }
    };
    Awaiter operator co_await() const& noexcept { return Awaiter{handle_}; }

  private:
    // Only the scheduler starts a task; everyone else awaits it.
    friend class Scheduler;
    Handle handle() const noexcept { return handle_; }

    explicit Task(Handle handle) noexcept : handle_(handle) {}
    void Reset() noexcept {
        // Destroying a suspended frame destroys the child tasks it holds, innermost last:
        // that is how quitting ends every suspended handler without resuming any.
        if (handle_) std::exchange(handle_, {}).destroy();
    }

    Handle handle_;
};

}  // namespace gyrolap
