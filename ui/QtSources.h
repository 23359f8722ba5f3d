// SPDX-License-Identifier: MIT
// Where the game's chance and date come from in the window: a generator re-seeded from the time
// of day, and today's date in the player's short date format.
#pragma once

#include <QRandomGenerator>

#include "game/Ports.h"

namespace gyrolap {

class QtSources final : public Sources {
  public:
    void ReseedRandom() override;
    float NextRandom() override;
    std::string ShortDate() override;

  private:
    QRandomGenerator random_;
};

}  // namespace gyrolap
