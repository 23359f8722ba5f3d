// SPDX-License-Identifier: MIT
// The virtual clock's driver loop; see VirtualDriver.h.
#include "game/VirtualDriver.h"

namespace gyrolap {

void VirtualDriver::AdvanceTo(Game& game, std::uint64_t time, bool wakeAtDeadlines) {
    if (wakeAtDeadlines) {
        while (const auto wake = game.NextWake()) {
            if (*wake > clockAtStart_ + time) break;
            if (*wake > Reading()) now_ = *wake - clockAtStart_;
            game.Deliver(Input::WakeUp, Reading());
        }
    }
    if (time > now_) now_ = time;
    if (wakeAtDeadlines) game.Deliver(Input::WakeUp, Reading());
}

}  // namespace gyrolap
