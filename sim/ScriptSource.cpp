// SPDX-License-Identifier: MIT
// Scripts held whole and recordings read as they play; see ScriptSource.h.
#include "sim/ScriptSource.h"

namespace gyrolap::sim {

const ScriptEvent* WholeScript::Peek() {
    if (nextEvent_ >= script_.events.size()) return nullptr;
    const ScriptEvent& event = script_.events[nextEvent_];
    return event.time <= script_.end ? &event : nullptr;
}

float WholeScript::NextRandom() {
    if (nextRandom_ >= script_.randoms.size()) throw NoRandomLeft();
    return script_.randoms[nextRandom_++];
}

std::string WholeScript::Date(std::uint64_t time) {
    const auto& changes = script_.dateChanges;
    while (nextDate_ < changes.size() && changes[nextDate_].time <= time)
        date_ = changes[nextDate_++].text;
    return date_;
}

RecordingStream::RecordingStream(std::unique_ptr<ScriptReader> reader, Settings settings,
                                 std::optional<ScriptLine> first)
    : reader_(std::move(reader)),
      settings_(std::move(settings)),
      clock_(settings_.clock),
      date_(settings_.date) {
    reader_->DropTornLastLine();
    reader_->LimitValuesPerLine(kMaxReadAhead);
    if (first) {
        Hold(*first);
    } else {
        inputOver_ = true;
        cutAfter_ = reader_->TornLine() ? reader_->TornLine() - 1 : reader_->Lines();
        end_ = 0;
    }
}

void RecordingStream::Hold(const ScriptLine& line) {
    switch (line.kind) {
        case ScriptLine::Kind::Clock:
        case ScriptLine::Kind::Date:
        case ScriptLine::Kind::Recorded: {
            const std::size_t first = line.kind == ScriptLine::Kind::Clock ? settings_.clockLine
                                      : line.kind == ScriptLine::Kind::Date
                                          ? settings_.dateLine
                                          : settings_.recordedLine;
            const char* command = CommandName(line.kind);
            if (first) throw ScriptError(line.line, SecondLine(command, first));
            // The game has started by now: a recording writes its settings first.
            throw ScriptError(
                line.line, std::string("'") + command + "' line after the recording's first event");
        }
        case ScriptLine::Kind::Random:
            if (finishing_) break;  // after the end: no game draws them any more
            if (randoms_.size() + line.values.size() > kMaxReadAhead) {
                throw ScriptError(line.line, "more than " + std::to_string(kMaxReadAhead) +
                                                 " random values ahead of the game");
            }
            randoms_.insert(randoms_.end(), line.values.begin(), line.values.end());
            break;
        case ScriptLine::Kind::Event:
        case ScriptLine::Kind::DateChange:
            order_.At(line.number, line.line);
            if (events_.size() + dateChanges_.size() >= kMaxReadAhead) {
                throw ScriptError(line.line, "more than " + std::to_string(kMaxReadAhead) +
                                                 " events ahead of the game");
            }
            if (line.kind == ScriptLine::Kind::Event)
                events_.push_back(
                    ScriptEvent{line.number, static_cast<std::uint32_t>(line.line), line.input});
            else
                dateChanges_.push_back(
                    DateChange{line.number, line.text, static_cast<std::uint32_t>(line.line)});
            break;
        case ScriptLine::Kind::End:
            if (endLine_) throw ScriptError(line.line, SecondLine("end", endLine_));
            order_.End(line.number, line.line);
            end_ = line.number;
            endLine_ = line.line;
            break;
    }
}

bool RecordingStream::ReadLine() {
    if (inputOver_) return false;
    const std::optional<ScriptLine> line = reader_->Next();
    if (!line) {
        inputOver_ = true;
        if (!end_) {
            // Cut short: it plays up to its last whole line, and ends with the last time it
            // names.
            cutAfter_ = reader_->TornLine() ? reader_->TornLine() - 1 : reader_->Lines();
            end_ = order_.LastTime();
        }
        return false;
    }
    Hold(*line);
    return true;
}

const ScriptEvent* RecordingStream::Peek() {
    while (events_.empty() && !end_ && ReadLine()) {
    }
    return events_.empty() ? nullptr : &events_.front();
}

std::uint64_t RecordingStream::End() {
    while (!end_ && ReadLine()) {
    }
    return *end_;
}

float RecordingStream::NextRandom() {
    // A press's value is written before the press; a hand-written recording may give it later.
    while (randoms_.empty() && ReadLine()) {
    }
    if (randoms_.empty()) throw NoRandomLeft();
    const float value = randoms_.front();
    randoms_.pop_front();
    return value;
}

void RecordingStream::Take() {
    // The game reaches this event's time: the date changes written before it are in force.
    const std::uint64_t time = events_.front().time;
    events_.pop_front();
    Date(time);
}

std::string RecordingStream::Date(std::uint64_t time) {
    // A date change is written before the Submit Score that read it, so the changes read so
    // far are all that can be in force; nothing is read ahead for them.
    while (!dateChanges_.empty() && dateChanges_.front().time <= time) {
        date_ = std::move(dateChanges_.front().text);
        dateChanges_.pop_front();
    }
    return date_;
}

void RecordingStream::Finish() {
    finishing_ = true;
    randoms_.clear();
    while (ReadLine()) {
    }
}

std::unique_ptr<ScriptSource> OpenScript(std::istream& in, std::uint64_t maxBytes) {
    auto reader = std::make_unique<ScriptReader>(in, maxBytes);
    ScriptCollector collector;
    RecordingStream::Settings settings;
    while (std::optional<ScriptLine> line = reader->Next()) {
        switch (line->kind) {
            case ScriptLine::Kind::Clock:
                settings.clock = static_cast<std::uint32_t>(line->number);
                settings.clockLine = line->line;
                collector.Add(std::move(*line));
                continue;
            case ScriptLine::Kind::Date:
                settings.date = line->text;
                settings.dateLine = line->line;
                collector.Add(std::move(*line));
                continue;
            case ScriptLine::Kind::Recorded:
                settings.recordedLine = line->line;
                // From here on a torn last line is a cut, not a line.
                reader->DropTornLastLine();
                collector.Add(std::move(*line));
                continue;
            default:
                break;
        }
        if (settings.recordedLine)
            return std::make_unique<RecordingStream>(std::move(reader), std::move(settings),
                                                     std::move(line));
        collector.Add(std::move(*line));
        while (std::optional<ScriptLine> rest = reader->Next()) collector.Add(std::move(*rest));
        return std::make_unique<WholeScript>(collector.Finish(reader->Lines()));
    }
    if (settings.recordedLine)
        return std::make_unique<RecordingStream>(std::move(reader), std::move(settings),
                                                 std::nullopt);
    return std::make_unique<WholeScript>(collector.Finish(reader->Lines()));
}

}  // namespace gyrolap::sim
