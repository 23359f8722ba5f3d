// SPDX-License-Identifier: MIT
// The classic way to wait, kept only to measure ours against: the game's thread does not sleep
// until a wait ends but spins on the clock, reading it again and again. Exact enough, and it
// burns a whole core while a game runs.
#pragma once

#include "ui/QtDriver.h"

namespace gyrolap {

class SpinningDriver : public QtDriver {
    Q_OBJECT
  public:
    using QtDriver::QtDriver;

  protected:
    std::unique_ptr<GameThread::Timing> MakeTiming() override;
};

}  // namespace gyrolap
