// The classic way to run the game's waits, kept only to measure ours against: after every
// event, spin until the top wait is over, pumping pending events and reading the clock on
// every pass. Exact enough, and it burns a whole core while a game runs.
#pragma once

#include "ui/QtDriver.h"

namespace gyrolap {

class SpinningDriver final : public QtDriver {
    Q_OBJECT
  public:
    using QtDriver::QtDriver;

  protected:
    void WaitFor(std::uint64_t now, std::optional<std::uint64_t> wake) override;

  private:
    bool spinning_ = false;
};

}  // namespace gyrolap
