// SPDX-License-Identifier: MIT
// What a playback plays: a script's start-up settings, its events in the order they are
// delivered, and its answers to the game's questions (the next random value, today's date).
// A hand-written script is read whole and sorted by time; a recording is played as it is read,
// line by line, in bounded memory, however long it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <istream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "sim/Script.h"
#include "sim/ScriptReader.h"

namespace gyrolap::sim {

// Thrown when the game draws a random value and the script has none left.
struct NoRandomLeft : std::runtime_error {
    NoRandomLeft() : std::runtime_error("no random value left") {}
};

class ScriptSource {
  public:
    virtual ~ScriptSource() = default;

    // The 32-bit clock's reading at start-up.
    virtual std::uint32_t Clock() const = 0;
    // A recording: its waits end only at its `wake` lines and its inputs.
    virtual bool Recorded() const = 0;

    // The next event to deliver, not yet taken; nothing once every event up to the end is.
    virtual const ScriptEvent* Peek() = 0;
    virtual void Take() = 0;
    // When the script ends, in ms after start-up. Known once Peek has found no event left.
    virtual std::uint64_t End() = 0;

    // The next random value (NoRandomLeft when there is none) and the date as it stands at
    // `time` ms, which never goes back between calls.
    virtual float NextRandom() = 0;
    virtual std::string Date(std::uint64_t time) = 0;

    // Reads whatever the script holds after its end, so that a bad line there is still
    // refused (a ScriptError).
    virtual void Finish() {}
    // A recording that stops without its `end` line (the session ended badly): the last whole
    // line, up to which it plays. 0 for a script that has its `end`.
    virtual std::size_t CutAfterLine() const { return 0; }
};

// A script held whole.
class WholeScript final : public ScriptSource {
  public:
    explicit WholeScript(Script script) : script_(std::move(script)), date_(script_.date) {}

    std::uint32_t Clock() const override { return script_.clock; }
    bool Recorded() const override { return script_.recorded; }
    const ScriptEvent* Peek() override;
    void Take() override { ++nextEvent_; }
    std::uint64_t End() override { return script_.end; }
    float NextRandom() override;
    std::string Date(std::uint64_t time) override;

    const Script& script() const noexcept { return script_; }

  private:
    Script script_;
    std::string date_;
    std::size_t nextEvent_ = 0;
    std::size_t nextRandom_ = 0;
    std::size_t nextDate_ = 0;
};

// A recording, read as it plays. It keeps only what it has read ahead of the game: the next
// event, and the random values and date changes written before it. A date change counts from
// its time on, once its line has been read: the game writes it just before the Submit Score
// that read it.
class RecordingStream final : public ScriptSource {
  public:
    // Most values, events and date changes held ahead of the game at once. A recording holds one
    // or two; more only in a made-up file, which is refused rather than held.
    static constexpr std::size_t kMaxReadAhead = std::size_t{1} << 16;

    // The settings a recording opens with, and the lines they came from (0: not given).
    struct Settings {
        std::uint32_t clock = 0;
        std::string date = kDefaultScriptDate;
        std::size_t clockLine = 0;
        std::size_t dateLine = 0;
        std::size_t recordedLine = 0;
    };

    // `reader` has read the settings, up to the first line that is not one (`first`; nothing
    // when the recording stops before it).
    RecordingStream(std::unique_ptr<ScriptReader> reader, Settings settings,
                    std::optional<ScriptLine> first);

    std::uint32_t Clock() const override { return clock_; }
    bool Recorded() const override { return true; }
    const ScriptEvent* Peek() override;
    void Take() override;
    std::uint64_t End() override;
    float NextRandom() override;
    std::string Date(std::uint64_t time) override;
    void Finish() override;
    std::size_t CutAfterLine() const override { return cutAfter_; }

  private:
    // Reads one more line that says something; false at the end of the input.
    bool ReadLine();
    void Hold(const ScriptLine& line);

    std::unique_ptr<ScriptReader> reader_;
    Settings settings_;
    std::uint32_t clock_;
    std::string date_;
    RecordedOrder order_;
    std::deque<ScriptEvent> events_;
    std::deque<float> randoms_;
    std::deque<DateChange> dateChanges_;
    std::optional<std::uint64_t> end_;
    std::size_t endLine_ = 0;
    bool inputOver_ = false;
    bool finishing_ = false;
    std::size_t cutAfter_ = 0;
};

// Reads the script's first lines from `in` and opens it for playing: a recording (its
// `recorded` line before any event, random value or end) as a RecordingStream, any other script
// whole. Throws ScriptError when what has been read so far cannot be a script; a recording's
// later lines are checked as it plays.
std::unique_ptr<ScriptSource> OpenScript(std::istream& in,
                                         std::uint64_t maxBytes = ScriptReader::kUnlimited);

}  // namespace gyrolap::sim
