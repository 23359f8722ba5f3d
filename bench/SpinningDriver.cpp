// SPDX-License-Identifier: MIT
// The spinning wait; see SpinningDriver.h.
#include "SpinningDriver.h"

namespace gyrolap {
namespace {

class SpinningTiming final : public GameThread::Timing {
  public:
    std::uint64_t Now() override { return steady_.Now(); }
    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
              const std::atomic<bool>& pending, std::optional<std::uint64_t> wake) override {
        if (!wake) {
            // Nothing to wait for on the clock: even a spinning design sits still then.
            wakeUp.wait(lock, [&pending] { return pending.load(); });
            return;
        }
        const auto until = SteadyTiming::InstantOf(*wake);
        lock.unlock();
        while (!pending.load(std::memory_order_relaxed) &&
               std::chrono::steady_clock::now() < until) {
        }
        lock.lock();
    }

  private:
    SteadyTiming steady_;
};

}  // namespace

std::unique_ptr<GameThread::Timing> SpinningDriver::MakeTiming() {
    return std::make_unique<SpinningTiming>();
}

}  // namespace gyrolap
