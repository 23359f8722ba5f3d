// SPDX-License-Identifier: MIT
// The system's own wake-up: how late a bare thread wakes from 1 ms sleeps on an absolute
// deadline. The yardstick of the timing benches: no driver that sleeps can wake sooner.
#pragma once

#include <pthread.h>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "BenchSupport.h"

namespace gyrolap::bench {

// How late the system wakes a bare thread from 1 ms sleeps on an absolute deadline, sampled on
// a thread of its own for as long as it runs: the floor under any driver that sleeps.
class FloorSampler {
  public:
    // `onStart` runs first on the sampler's thread (to change its scheduling, say); `stalls`
    // hears every wake-up more than kStallMs late.
    explicit FloorSampler(std::vector<double>& lateMs, std::vector<Stall>* stalls = nullptr,
                          std::function<void()> onStart = {})
        : lateMs_(lateMs),
          stalls_(stalls),
          onStart_(std::move(onStart)),
          thread_([this] { Run(); }) {}
    ~FloorSampler() {
        stop_ = true;
        thread_.join();
    }

    // The CPU time the sampler itself has used: not the game's, so the figures leave it out.
    double CpuSeconds() {
        clockid_t clock{};
        timespec used{};
        if (pthread_getcpuclockid(thread_.native_handle(), &clock) != 0 ||
            clock_gettime(clock, &used) != 0)
            return 0;
        return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
    }

  private:
    void Run() {
        if (onStart_) onStart_();
        const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
        if (fd < 0) return;
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        while (!stop_) {
            const std::int64_t due = SteadyNs() + 1'000'000;
            itimerspec spec{};
            spec.it_value.tv_sec = static_cast<time_t>(due / 1'000'000'000);
            spec.it_value.tv_nsec = static_cast<long>(due % 1'000'000'000);
            timerfd_settime(fd, TFD_TIMER_ABSTIME, &spec, nullptr);
            std::uint64_t expirations = 0;
            if (::read(fd, &expirations, sizeof expirations) < 0) break;
            const std::int64_t woke = SteadyNs();
            const double late = static_cast<double>(woke - due) / 1e6;
            lateMs_.push_back(late);
            if (stalls_ && late > kStallMs) stalls_->push_back({woke, late});
        }
        ::close(fd);
    }

    std::vector<double>& lateMs_;
    std::vector<Stall>* stalls_;
    std::function<void()> onStart_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace gyrolap::bench
