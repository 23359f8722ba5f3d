// SPDX-License-Identifier: MIT
// What a script answers when the game asks its platform: the random values in order, and the
// date as it stands at the script's time. The simulator and the window's playback share it.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

#include "game/VirtualDriver.h"
#include "sim/Script.h"

namespace gyrolap::sim {

// Thrown when the game draws a random value and the script has none left.
struct NoRandomLeft : std::runtime_error {
    NoRandomLeft() : std::runtime_error("no random value left") {}
};

class ScriptAnswers {
  public:
    // The script and the clock must outlive the answers.
    ScriptAnswers(const Script& script, const VirtualDriver& clock)
        : script_(script), clock_(clock), date_(script.date) {}

    float NextRandom() {
        if (nextRandom_ >= script_.randoms.size()) throw NoRandomLeft();
        return script_.randoms[nextRandom_++];
    }

    // The date setting, or the last date change at or before now.
    std::string Date() {
        const auto& changes = script_.dateChanges;
        while (nextDate_ < changes.size() && changes[nextDate_].time <= clock_.Now())
            date_ = changes[nextDate_++].text;
        return date_;
    }

  private:
    const Script& script_;
    const VirtualDriver& clock_;
    std::string date_;
    std::size_t nextRandom_ = 0;
    std::size_t nextDate_ = 0;
};

}  // namespace gyrolap::sim
