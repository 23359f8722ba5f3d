// Runs the activity stack on a virtual clock that moves only when told to: the simulator and
// the tests play whole games with it in no time, exactly as the window would play them.
#pragma once

#include <cstdint>

#include "game/Scheduler.h"

namespace gyrolap {

class VirtualDriver {
  public:
    // `clockAtStart` is the 32-bit clock's reading at virtual time 0.
    explicit VirtualDriver(std::uint32_t clockAtStart = 0) : clockAtStart_(clockAtStart) {}

    // Milliseconds since start-up.
    std::uint64_t Now() const noexcept { return now_; }
    // The 32-bit clock reading now, wrapping modulo 2^32.
    std::uint32_t Clock() const noexcept {
        return static_cast<std::uint32_t>(clockAtStart_ + now_);
    }

    // Move the clock to `time`, ending every wait that falls due on the way at its own
    // millisecond. At `time` itself, due waits end before the caller delivers any event.
    void AdvanceTo(Scheduler& scheduler, std::uint64_t time);

  private:
    std::uint32_t clockAtStart_;
    std::uint64_t now_ = 0;
};

}  // namespace gyrolap
