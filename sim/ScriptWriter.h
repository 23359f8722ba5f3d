// SPDX-License-Identifier: MIT
// Writes a session of play down as a simulator script while it is played: `gyrolap --record`.
// Every line goes out whole and at once, so a recording cut short by a crash is still read up to
// where it stopped; replaying the finished file in gyrolap-sim plays the same game exactly.
#pragma once

#include <cstdio>
#include <string>

#include "game/SessionLog.h"

namespace gyrolap::sim {

class ScriptWriter final : public SessionLog {
  public:
    // `out` stays the caller's to close.
    explicit ScriptWriter(std::FILE* out) : out_(out) {}

    void Started(std::uint32_t clock, std::string_view date) override;
    void Delivered(std::uint64_t time, Input input) override;
    void Drew(float value) override;
    void ReadDate(std::uint64_t time, std::string_view date) override;
    void Finished(std::uint64_t time, const Board& board, bool messageOpen) override;

    // Whether a line could not be written, and why (an errno value); nothing is written after.
    bool Failed() const noexcept { return error_ != 0; }
    int Error() const noexcept { return error_; }

  private:
    void Line(const std::string& line);

    std::FILE* out_;
    std::string date_;
    int error_ = 0;
};

}  // namespace gyrolap::sim
