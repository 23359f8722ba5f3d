// SPDX-License-Identifier: MIT
// Reads a simulator script one line at a time in bounded memory: what each line says, checked
// word by word, with the line it came from. Whether the lines make a script together (one `end`,
// a recording's order) is for whoever collects them (Script.h, ScriptSource.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/Input.h"
#include "submit/LineBound.h"

namespace gyrolap::sim {

// Times beyond this are refused, so that no clock arithmetic on them can overflow.
inline constexpr std::uint64_t kLatestScriptTime = std::uint64_t{1} << 53;

// A script that cannot be read: the line it stopped at (0 when the trouble is not one line's,
// such as a script larger than allowed) and what is wrong there. Words of the script in the
// message are escaped and shortened, so the message is safe to print.
class ScriptError : public std::runtime_error {
  public:
    enum class Kind { BadLine, TooLarge, Unreadable };

    ScriptError(std::size_t line, const std::string& what, Kind kind = Kind::BadLine)
        : std::runtime_error(what), line_(line), kind_(kind) {}
    std::size_t line() const noexcept { return line_; }
    Kind kind() const noexcept { return kind_; }

  private:
    std::size_t line_;
    Kind kind_;
};

// What a script larger than `limit` bytes is refused with.
std::string TooLargeMessage(std::uint64_t limit);

// The message a tool prints for the error: "line N: WHAT", or WHAT alone.
std::string Describe(const ScriptError& error);

// One line that says something; blank lines and comments are passed over.
struct ScriptLine {
    enum class Kind : std::uint8_t {
        Clock,       // clock N: `number`
        Date,        // date TEXT: `text`
        Recorded,    // recorded
        Random,      // random U U ...: `values`
        Event,       // at T WORD: `number` is T, `input` the input, or nothing for `snap`
        DateChange,  // at T date TEXT: `number` is T, `text`
        End,         // end T: `number`
    };
    Kind kind = Kind::End;
    std::size_t line = 0;
    std::uint64_t number = 0;
    std::optional<Input> input;
    std::string text;
    std::vector<float> values;

    bool IsAt() const noexcept { return kind == Kind::Event || kind == Kind::DateChange; }
};

// The name a message gives a line's command: 'clock', 'at', ...
const char* CommandName(ScriptLine::Kind kind);

class ScriptReader {
  public:
    static constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();

    // Reads `in`, refusing it once more than `maxBytes` bytes have come. A UTF-8 byte order
    // mark at the start is skipped; LF, CR LF and CR alone each end a line.
    explicit ScriptReader(std::istream& in, std::uint64_t maxBytes = kUnlimited)
        : in_(in), maxBytes_(maxBytes) {}

    // The next line that says something, or nothing at the end of the input. Throws
    // ScriptError for a line that is not one a script may hold, or an input that fails to read
    // or grows too large.
    std::optional<ScriptLine> Next();

    // A recording is written line by line, so one that was cut short (a crash, a power cut) may
    // end inside a line, and the piece may read as another valid line ("random 0.1" of
    // "random 0.125"): from now on a last line without its line end is dropped, not read.
    void DropTornLastLine() noexcept { dropTorn_ = true; }

    // Lines read so far, the dropped torn one included.
    std::size_t Lines() const noexcept { return lines_; }
    // The torn last line that was dropped, or 0.
    std::size_t TornLine() const noexcept { return tornLine_; }
    // Most values one random line may give (a recording's reader holds a line's values until
    // the line ends); more are refused.
    void LimitValuesPerLine(std::size_t limit) noexcept { maxValues_ = limit; }

  private:
    int Get();

    std::istream& in_;
    std::uint64_t maxBytes_;
    std::uint64_t bytes_ = 0;
    std::vector<char> buffer_ = std::vector<char>(std::size_t{1} << 16);
    std::size_t at_ = 0;
    std::size_t filled_ = 0;
    bool started_ = false;
    bool afterCr_ = false;
    bool ended_ = false;
    bool dropTorn_ = false;
    std::size_t lines_ = 0;
    std::size_t tornLine_ = 0;
    std::size_t maxValues_ = std::numeric_limits<std::size_t>::max();
};

}  // namespace gyrolap::sim
