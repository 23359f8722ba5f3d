// SPDX-License-Identifier: MIT
// Writes a session of play down as a simulator script while it is played: `gyrolap --record`.
// Every line is handed on whole as soon as it is known, so a recording cut short by a crash is
// still read up to where it stopped; replaying the finished file in gyrolap-sim plays the same
// game exactly.
#pragma once

#include <functional>
#include <string>

#include "game/SessionLog.h"

namespace gyrolap::sim {

class ScriptWriter final : public SessionLog {
  public:
    // Takes each line, without its line end (RecordingFile::Write, say).
    using LineSink = std::function<void(std::string line)>;

    explicit ScriptWriter(LineSink sink) : sink_(std::move(sink)) {}

    void Started(std::uint32_t clock, std::string_view date) override;
    void Delivered(std::uint64_t time, Input input) override;
    void Drew(float value) override;
    void ReadDate(std::uint64_t time, std::string_view date) override;
    void Finished(std::uint64_t time, const Board& board, bool messageOpen) override;

  private:
    void Line(std::string line) { sink_(std::move(line)); }

    LineSink sink_;
    std::string date_;
};

}  // namespace gyrolap::sim
