// SPDX-License-Identifier: MIT
// A stand-in for what hosts the game, for the core's tests: random values from a list (0 once it
// runs out), a fixed date, and a record of the messages the game showed and the submissions it
// handed over.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "game/Ports.h"

namespace gyrolap::testing {

class StandIn final : public Sources, public Effects {
  public:
    explicit StandIn(std::vector<float> randoms = {}) : randoms_(std::move(randoms)) {}

    void ReseedRandom() override {}
    float NextRandom() override { return next_ < randoms_.size() ? randoms_[next_++] : 0.0f; }
    std::string ShortDate() override { return "5/16/2001"; }
    void HandOverSubmission(std::string_view text) override { clipboard.emplace_back(text); }
    void ShowMessage(std::string_view, std::string_view text) override {
        messages.emplace_back(text);
    }

    std::vector<std::string> clipboard;
    std::vector<std::string> messages;

  private:
    std::vector<float> randoms_;
    std::size_t next_ = 0;
};

}  // namespace gyrolap::testing
