// Runs a game on a thread of its own, so that its waits end on time whatever the window is
// painting: inputs arrive from other threads with the clock reading of the moment they arrived,
// the thread sleeps until the top wait ends, and after every change it publishes a copy of the
// board for whoever paints it. The game itself is touched by this thread alone.
#pragma once

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

namespace gyrolap {

// The board as one change of the game left it: what a frame paints.
struct Frame {
    Board board;
    bool messageOpen = false;
    // Counts the changes published so far.
    std::uint64_t serial = 0;
};

class GameThread {
  public:
    // The thread's clock and how it waits.
    class Timing {
      public:
        virtual ~Timing() = default;
        // Milliseconds on a count that does not wrap; the game's clock is its low 32 bits.
        virtual std::uint64_t Now() = 0;
        // Block on `wakeUp` until `wake` (on Now's count; nothing: no deadline) or until
        // notified. Returning early is fine: the thread looks again and waits again.
        virtual void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
                          std::optional<std::uint64_t> wake) = 0;
        // Whether the thread ends waits at their deadlines by itself. A test that plays the
        // timer says no, and posts every wake-up as the input WakeUp.
        virtual bool WakesItself() const { return true; }
    };

    // `published` runs on the game's thread, nothing locked, after every change: a new frame
    // is ready (LatestFrame), or the game failed (Failure).
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

    Frame LatestFrame() const;

    // The exception the game ended with, if it did; the thread has stopped then.
    std::exception_ptr Failure() const;

    // For the tests: returns once everything posted has been delivered and the thread waits
    // with nothing due.
    void WaitIdle();

    // For the tests: the wake-up the thread sleeps until now (on Now's count), if any.
    std::optional<std::uint64_t> ArmedWake() const;

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
    std::vector<std::pair<Input, std::uint64_t>> queue_;
    std::optional<std::uint64_t> wake_;
    bool stopping_ = false;  // the thread is to end, or has ended by a failure
    bool stopped_ = false;   // Stop has run
    bool idle_ = false;
    bool running_ = false;
    std::exception_ptr failure_;

    mutable std::mutex frameMutex_;
    Frame latest_;
};

}  // namespace gyrolap
