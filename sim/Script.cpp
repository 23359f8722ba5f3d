// SPDX-License-Identifier: MIT
// Reading a script whole; see Script.h.
#include "sim/Script.h"

#include <algorithm>

namespace gyrolap::sim {

std::string SecondLine(const char* command, std::size_t first) {
    return std::string("second '") + command + "' line (the first is line " +
           std::to_string(first) + ")";
}

namespace {

std::string ComesBefore(const std::string& what, std::uint64_t time, std::size_t line,
                        std::uint64_t lastTime) {
    return what + " " + std::to_string(time) + " comes before the time of line " +
           std::to_string(line) + " (" + std::to_string(lastTime) + ")";
}

}  // namespace

void RecordedOrder::At(std::uint64_t time, std::size_t line) {
    if (endLine_) {
        throw ScriptError(line, "'at' line after the 'end' line (line " + std::to_string(endLine_) +
                                    ") in a recording");
    }
    if (lastLine_ && time < lastTime_)
        throw ScriptError(line, ComesBefore("time", time, lastLine_, lastTime_));
    lastTime_ = time;
    lastLine_ = line;
}

void RecordedOrder::End(std::uint64_t time, std::size_t line) {
    if (lastLine_ && time < lastTime_)
        throw ScriptError(line, ComesBefore("end time", time, lastLine_, lastTime_));
    endLine_ = line;
}

void ScriptCollector::Add(ScriptLine&& line) {
    const std::size_t number = line.line;
    switch (line.kind) {
        case ScriptLine::Kind::Clock:
            if (clockLine_) throw ScriptError(number, SecondLine("clock", clockLine_));
            script_.clock = static_cast<std::uint32_t>(line.number);
            clockLine_ = number;
            break;
        case ScriptLine::Kind::Date:
            if (dateLine_) throw ScriptError(number, SecondLine("date", dateLine_));
            script_.date = std::move(line.text);
            dateLine_ = number;
            break;
        case ScriptLine::Kind::Recorded:
            if (recordedLine_) throw ScriptError(number, SecondLine("recorded", recordedLine_));
            script_.recorded = true;
            recordedLine_ = number;
            break;
        case ScriptLine::Kind::Random:
            script_.randoms.insert(script_.randoms.end(), line.values.begin(), line.values.end());
            break;
        case ScriptLine::Kind::Event:
            script_.events.push_back(
                ScriptEvent{line.number, static_cast<std::uint32_t>(number), line.input});
            break;
        case ScriptLine::Kind::DateChange:
            script_.dateChanges.push_back(
                DateChange{line.number, std::move(line.text), static_cast<std::uint32_t>(number)});
            break;
        case ScriptLine::Kind::End:
            if (endLine_) throw ScriptError(number, SecondLine("end", endLine_));
            script_.end = line.number;
            endLine_ = number;
            break;
    }
}

Script ScriptCollector::Finish(std::size_t lines) {
    if (!endLine_) throw ScriptError(lines + 1, "no 'end' line");
    if (script_.recorded) {
        // The `at` lines in file order (events and date changes are each still in it), with the
        // `end` line among them.
        RecordedOrder order;
        bool endSeen = false;
        const auto& events = script_.events;
        const auto& changes = script_.dateChanges;
        for (std::size_t e = 0, d = 0; e < events.size() || d < changes.size();) {
            const bool event =
                d == changes.size() || (e < events.size() && events[e].line < changes[d].line);
            const std::uint64_t time = event ? events[e].time : changes[d].time;
            const std::size_t line = event ? events[e++].line : changes[d++].line;
            if (!endSeen && line > endLine_) {
                endSeen = true;
                order.End(script_.end, endLine_);
            }
            order.At(time, line);
        }
        if (!endSeen) order.End(script_.end, endLine_);
    }
    // Most scripts list their events in time order already.
    const auto byTime = [](const auto& a, const auto& b) { return a.time < b.time; };
    if (!std::is_sorted(script_.events.begin(), script_.events.end(), byTime))
        std::stable_sort(script_.events.begin(), script_.events.end(), byTime);
    std::stable_sort(script_.dateChanges.begin(), script_.dateChanges.end(), byTime);
    return std::move(script_);
}

Script ParseScript(std::istream& in, std::uint64_t maxBytes) {
    ScriptReader reader(in, maxBytes);
    ScriptCollector collector;
    while (auto line = reader.Next()) collector.Add(std::move(*line));
    return collector.Finish(reader.Lines());
}

}  // namespace gyrolap::sim
