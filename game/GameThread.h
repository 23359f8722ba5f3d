// SPDX-License-Identifier: MIT
// Runs a game on a thread of its own, so that its waits end on time whatever the window is
// painting: inputs arrive from other threads with the clock reading of the moment they arrived,
// the thread sleeps until the top wait ends, and after every change it publishes a copy of the
// board for whoever paints it. The game itself is touched by this thread alone.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "game/Board.h"
#include "game/Game.h"
#include "game/Input.h"
#include "game/Snapshot.h"

namespace gyrolap {

class GameThread {
  public:
    // The thread's clock and how it waits.
    class Timing {
      public:
        virtual ~Timing() = default;
        // Milliseconds on a count that does not wrap; the game's clock is its low 32 bits.
        virtual std::uint64_t Now() = 0;
        // Block until `wake` (on Now's count; nothing: no deadline) or until `wakeUp` is
        // notified, which comes with `pending` set. Returning early is fine: the thread looks
        // again and waits again.
        virtual void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
                          const std::atomic<bool>& pending, std::optional<std::uint64_t> wake) = 0;
        // Whether the thread ends waits at their deadlines by itself. A test that plays the
        // timer says no, and posts every wake-up as the input WakeUp.
        virtual bool WakesItself() const { return true; }
    };

    // `published` runs on the game's thread, nothing locked, after every change: a new snapshot
    // is ready (LatestSnapshot), or the game failed (Failure).
    GameThread(Game& game, Timing& timing, std::function<void()> published)
        : game_(game), timing_(timing), published_(std::move(published)) {}
    ~GameThread() { Stop(); }
    GameThread(const GameThread&) = delete;
    GameThread& operator=(const GameThread&) = delete;

    // The thread starts, and the game loads at the thread's first clock reading.
    void Start();

    // Reads the clock and queues the input, as one step: whatever the thread does meanwhile,
    // an input is delivered at its own reading and in the order of the readings.
    void Post(Input input);

    // Ends at once: nothing more is delivered, no wait resumes, and the thread is joined. The
    // game then quits on the caller's thread, at the clock's reading now.
    void Stop();

    Snapshot LatestSnapshot() const;

    // The exception the game ended with, if it did; the thread has stopped then.
    std::exception_ptr Failure() const;

    // For the tests: returns once everything posted has been delivered and the thread waits
    // with nothing due.
    void WaitIdle();

    // When the top wait ends (on Now's count), as of the last change; nothing when no wait is
    // on the clock.
    std::optional<std::uint64_t> NextWake() const;

  private:
    void Run();
    // Hands the board on and notes the next deadline; on the game's thread.
    void Publish();

    Game& game_;
    Timing& timing_;
    std::function<void()> published_;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable wakeUp_;
    std::condition_variable idleChanged_;
    std::atomic<bool> pending_{false};
    std::vector<std::pair<Input, std::uint64_t>> queue_;
    std::optional<std::uint64_t> wake_;
    bool stopping_ = false;  // the thread is to end, or has ended by a failure
    bool stopped_ = false;   // Stop has run
    bool idle_ = false;
    bool running_ = false;
    std::exception_ptr failure_;

    mutable std::mutex snapshotMutex_;
    Snapshot latest_;
};

// The real clock, the milliseconds of std::chrono::steady_clock, and a sleep that ends at the
// very start of the deadline's millisecond: the moment the game's whole-millisecond clock
// reaches it, not up to a millisecond later as a millisecond timer would.
class SteadyTiming final : public GameThread::Timing {
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
    // For the tests: the instant the last wait slept until (read with the thread's lock held,
    // or once the thread is idle).
    std::optional<std::chrono::steady_clock::time_point> LastArmed() const { return armed_; }

  private:
    std::optional<std::chrono::steady_clock::time_point> armed_;
};

// A clock that somebody else moves, and no timer: waits end only when a WakeUp is posted. The
// window's tests play the timer this way.
class PostedTiming final : public GameThread::Timing {
  public:
    explicit PostedTiming(std::function<std::uint64_t()> now) : now_(std::move(now)) {}
    std::uint64_t Now() override { return now_(); }
    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
              const std::atomic<bool>& pending, std::optional<std::uint64_t>) override {
        wakeUp.wait(lock, [&pending] { return pending.load(); });
    }
    bool WakesItself() const override { return false; }

  private:
    std::function<std::uint64_t()> now_;
};

}  // namespace gyrolap
