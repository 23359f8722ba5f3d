// SPDX-License-Identifier: MIT
// Writing a recording; see ScriptWriter.h.
#include "sim/ScriptWriter.h"

#include <charconv>

#include "game/GameState.h"
#include "sim/BoardText.h"

namespace gyrolap::sim {
namespace {

// A date never holds a line break; should one appear, it must not end the script line.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    return line;
}

}  // namespace

void ScriptWriter::Started(std::uint32_t clock, std::string_view date) {
    Line(std::string("# A Gyrolap session recorded by gyrolap --record, version ") + kVersionText +
         ". Replay it with gyrolap-sim or gyrolap --replay.");
    Line("recorded");
    Line("clock " + std::to_string(clock));
    date_ = OneLine(date);
    Line("date " + date_);
}

void ScriptWriter::Delivered(std::uint64_t time, Input input) {
    Line("at " + std::to_string(time) + ' ' + std::string(ScriptWord(input)));
}

void ScriptWriter::Drew(float value) {
    // The shortest text that reads back as exactly this float.
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    Line("random " + std::string(text, result.ptr));
}

void ScriptWriter::ReadDate(std::uint64_t time, std::string_view date) {
    const std::string line = OneLine(date);
    if (line == date_) return;
    date_ = line;
    Line("at " + std::to_string(time) + " date " + date_);
}

void ScriptWriter::Finished(std::uint64_t time, const Board& board, bool messageOpen) {
    Line("# The window's last board: " + DescribeBoard(board, messageOpen));
    Line("at " + std::to_string(time) + " snap");
    Line("end " + std::to_string(time));
}

}  // namespace gyrolap::sim
