// The virtual clock's driver loop; see VirtualDriver.h.
#include "game/VirtualDriver.h"

namespace gyrolap {

void VirtualDriver::AdvanceTo(Scheduler& scheduler, std::uint64_t time) {
    for (;;) {
        scheduler.Settle();
        const auto delay = scheduler.DelayToDeadline();
        if (!delay || now_ + *delay > time) break;
        now_ += *delay;
    }
    if (time > now_) now_ = time;
    scheduler.Settle();
}

}  // namespace gyrolap
