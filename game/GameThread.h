// SPDX-License-Identifier: MIT
// Runs a game on a thread of its own, so that its waits end on time whatever the window is
// painting: inputs arrive from other threads with the clock reading of the moment they arrived,
// the thread sleeps on the clock it is handed until the top wait ends, and after every change it
// publishes the game's snapshot for whoever paints it. The game itself is touched by this thread
// alone.
#pragma once

#include <atomic>
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
#include "game/Clock.h"
#include "game/Game.h"
#include "game/Input.h"
#include "game/Snapshot.h"

namespace gyrolap {

class GameThread {
  public:
    // `published` runs on the game's thread, nothing locked, after every change: a new snapshot
    // is ready (LatestSnapshot), or the game failed (Failure).
    GameThread(Game& game, GameClock& clock, std::function<void()> published)
        : game_(game), clock_(clock), published_(std::move(published)) {}
    ~GameThread() { Stop(); }
    GameThread(const GameThread&) = delete;
    GameThread& operator=(const GameThread&) = delete;

    // Runs `hook` on the game's thread as it starts, before the thread takes the game (and loads
    // it, when it loads it) and before any input is taken: for what concerns that thread alone,
    // such as how the system schedules it. Call before Start.
    void OnStart(std::function<void()> hook) { onStart_ = std::move(hook); }

    // The thread starts, and the game loads at the thread's first clock reading; or, for a game
    // its caller has loaded already, the thread takes it as it stands.
    enum class Loading { OnTheThread, AlreadyLoaded };
    void Start(Loading loading = Loading::OnTheThread);

    // Reads the clock and queues the input, as one step: whatever the thread does meanwhile,
    // an input is delivered at its own reading and in the order of the readings.
    void Post(Input input);

    // Ends at once: nothing more is delivered, no wait resumes, and the thread is joined. The
    // game then quits on the caller's thread, at the clock's reading now.
    void Stop();

    Snapshot LatestSnapshot() const;

    // The exception the game ended with, if it did; the thread has stopped then.
    std::exception_ptr Failure() const;

  private:
    void Run(Loading loading);
    // Hands the snapshot on and notes the next deadline; on the game's thread.
    void Publish();

    Game& game_;
    GameClock& clock_;
    std::function<void()> published_;
    std::function<void()> onStart_;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable wakeUp_;
    std::atomic<bool> pending_{false};
    std::vector<std::pair<Input, std::uint64_t>> queue_;
    std::optional<std::uint64_t> wake_;
    bool stopping_ = false;  // the thread is to end, or has ended by a failure
    bool stopped_ = false;   // Stop has run
    bool started_ = false;
    std::exception_ptr failure_;

    mutable std::mutex snapshotMutex_;
    Snapshot latest_;
};

}  // namespace gyrolap
