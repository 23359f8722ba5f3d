// The busy-wait driver; see SpinningDriver.h.
#include "SpinningDriver.h"

#include <QCoreApplication>

#include "game/Game.h"
#include "ui/QtPlatform.h"

namespace gyrolap {

void SpinningDriver::WaitFor(std::uint64_t, std::optional<std::uint64_t> wake) {
    // An event handled inside the loop below returns into it, as a nested press returned into
    // the busy wait it interrupted.
    if (spinning_) return;
    spinning_ = true;
    // A message box waits in the event loop, not in ours: no wait is on the clock then.
    while (wake && !Quitting()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (Quitting()) break;
        Pump();
        wake = game().NextWake();
    }
    spinning_ = false;
}

}  // namespace gyrolap
