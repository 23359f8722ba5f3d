// SPDX-License-Identifier: MIT
// The game's own thread; see GameThread.h.
#include "game/GameThread.h"

#include <algorithm>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace gyrolap {

void GameThread::Start(Loading loading) {
    std::lock_guard lock(mutex_);
    if (started_ || stopping_) return;
    started_ = true;
    thread_ = std::thread([this, loading] { Run(loading); });
}

void GameThread::Post(Input input) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        // Read under the lock: the thread reads the clock under it too before it ends a wait,
        // so an input read earlier is always in the queue by then.
        queue_.emplace_back(input, clock_.Now());
        pending_ = true;
    }
    wakeUp_.notify_one();
}

void GameThread::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        stopped_ = true;
        stopping_ = true;
        pending_ = true;
    }
    wakeUp_.notify_one();
    if (thread_.joinable()) thread_.join();
    // Nothing runs on the game's thread any more: the game is ours to end.
    game_.Quit(clock_.Now());
}

Snapshot GameThread::LatestSnapshot() const {
    std::lock_guard lock(snapshotMutex_);
    return latest_;
}

std::exception_ptr GameThread::Failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void GameThread::Publish() {
    Snapshot snapshot = game_.TakeSnapshot();
    const auto wake = snapshot.wake;
    {
        std::lock_guard lock(snapshotMutex_);
        latest_ = std::move(snapshot);
    }
    {
        std::lock_guard lock(mutex_);
        wake_ = wake;
    }
    if (published_) published_();
}

void GameThread::Run(Loading loading) {
#ifdef __linux__
    // The default 50 us of timer slack would be added to every wake-up of this thread.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    std::unique_lock lock(mutex_);
    try {
        if (onStart_) {
            // Unlocked: inputs may queue meanwhile, and are taken once the game has loaded.
            lock.unlock();
            onStart_();
            lock.lock();
        }
        const std::uint64_t loadedAt = clock_.Now();
        // An input that came while the thread was starting meets the game as it loads here: read
        // before the load, it would count as the end of every wait the load begins. (A game
        // loaded before the thread started was loaded before any input could come.)
        if (loading == Loading::OnTheThread)
            for (auto& queued : queue_) queued.second = std::max(queued.second, loadedAt);
        lock.unlock();
        if (loading == Loading::OnTheThread) game_.Load(loadedAt);
        Publish();
        lock.lock();
        while (!stopping_) {
            pending_ = false;
            if (!queue_.empty()) {
                const auto inputs = std::exchange(queue_, {});
                lock.unlock();
                for (const auto& [input, readAt] : inputs) game_.Deliver(input, readAt);
                Publish();
                lock.lock();
                continue;
            }
            const std::uint64_t now = clock_.Now();
            if (clock_.WakesItself() && wake_ && now >= *wake_) {
                lock.unlock();
                game_.Deliver(Input::WakeUp, now);
                Publish();
                lock.lock();
                continue;
            }
            clock_.Wait(lock, wakeUp_, pending_, clock_.WakesItself() ? wake_ : std::nullopt);
        }
    } catch (...) {
        if (!lock.owns_lock()) lock.lock();
        failure_ = std::current_exception();
        stopping_ = true;
        lock.unlock();
        if (published_) published_();
    }
}

}  // namespace gyrolap
