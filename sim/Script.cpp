// SPDX-License-Identifier: MIT
// Reading a simulator script; see Script.h.
#include "sim/Script.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <streambuf>
#include <string_view>

#include "submit/SafeText.h"

namespace gyrolap::sim {
namespace {

// Times beyond this are refused, so that no clock arithmetic on them can overflow.
constexpr std::uint64_t kLatestTime = std::uint64_t{1} << 53;
// No line of a sensible script comes near this; a longer one is refused without being kept.
constexpr std::size_t kMaxLineLength = 4096;
// The longest text of one random value that is read at all, as long as any other line.
constexpr std::size_t kMaxValueLength = kMaxLineLength;
// How much of a script's word a message quotes.
constexpr std::size_t kQuoteLength = 40;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

// A word of the script as a message shows it: escaped, so that it cannot steer the terminal,
// and shortened.
std::string Quoted(std::string_view word) {
    return "'" + Shortened(word, kQuoteLength) + "'";
}

std::uint64_t WholeNumber(std::size_t line, std::string_view word, std::uint64_t max) {
    if (!word.empty() && word[0] == '-') throw ScriptError(line, "negative number " + Quoted(word));
    const bool digitsOnly = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return c >= '0' && c <= '9';
    });
    if (!digitsOnly) throw ScriptError(line, "malformed number " + Quoted(word));
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc{} || value > max)
        throw ScriptError(line, "number " + Quoted(word) + " is too large");
    return value;
}

float RandomValue(std::size_t line, std::string_view word) {
    float value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.size() > kMaxValueLength || error != std::errc{} || end != word.data() + word.size())
        throw ScriptError(line, "malformed random value " + Quoted(word));
    // Checked as the 32-bit float the game will use: 0.99999999 reads as 1 and is refused.
    if (!(value >= 0.0f && value < 1.0f))
        throw ScriptError(line, "random value " + Quoted(word) + " is outside [0, 1)");
    return value;
}

std::optional<EventKind> EventNamed(std::string_view word) {
    if (word == "press") return EventKind::Press;
    if (word == "submit") return EventKind::Submit;
    if (word == "ok") return EventKind::Ok;
    if (word == "snap") return EventKind::Snap;
    if (word == "wake") return EventKind::Wake;
    return std::nullopt;
}

bool IsCommand(std::string_view word) {
    return word == "clock" || word == "date" || word == "random" || word == "at" || word == "end" ||
           word == "recorded";
}

void ExpectCount(std::size_t line, const std::vector<std::string_view>& words, std::size_t count,
                 const char* usage) {
    if (words.size() != count) throw ScriptError(line, std::string("expected '") + usage + "'");
}

// The rest of `text` after `word` (a view into it) and the blanks that follow, without a
// trailing CR.
std::string RestAfter(std::string_view text, std::string_view word) {
    std::string_view rest = text;
    rest.remove_prefix(static_cast<std::size_t>(word.data() + word.size() - text.data()));
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
    return std::string(rest);
}

std::string SecondLine(const char* command, std::size_t first) {
    return std::string("second '") + command + "' line (the first is line " +
           std::to_string(first) + ")";
}

// One line of the script as read: a `random` line's values go straight into the script, any
// other line is kept up to kMaxLineLength bytes.
struct Line {
    std::string text;
    bool tooLong = false;
    bool random = false;  // a `random` line, its values already taken
};

enum class Part { FirstWord, Random, Comment, Rest };

class LineReader {
  public:
    LineReader(std::istream& in, Script& script) : in_(in), script_(script) {}

    // The next line, or nothing at the end of the input.
    std::optional<Line> Next(std::size_t number) {
        Line line;
        Part part = Part::FirstWord;
        std::string value;
        std::size_t values = 0;
        bool any = false;
        std::streambuf* buffer = in_.rdbuf();
        for (;;) {
            const int got = buffer ? buffer->sbumpc() : std::char_traits<char>::eof();
            if (got == std::char_traits<char>::eof()) {
                if (!any) return std::nullopt;
                break;
            }
            any = true;
            const char c = static_cast<char>(got);
            if (c == '\n') break;
            switch (part) {
                case Part::FirstWord:
                    // Blanks before the first word are skipped; the blank after it ends it.
                    if (IsBlank(c)) {
                        if (line.text.empty()) break;
                        if (line.text == "random") {
                            part = Part::Random;
                            line.random = true;
                            break;
                        }
                        part = Part::Rest;
                    } else if (line.text.empty() && c == '#') {
                        part = Part::Comment;
                    }
                    line.text += c;
                    if (line.text.size() >= kMaxLineLength) part = Part::Rest;
                    break;
                case Part::Random:
                    if (!IsBlank(c)) {
                        // A value too long to be one is refused before it can grow.
                        if (value.size() > kMaxValueLength) RandomValue(number, value);
                        value += c;
                    } else if (!value.empty()) {
                        script_.randoms.push_back(RandomValue(number, value));
                        ++values;
                        value.clear();
                    }
                    break;
                case Part::Comment:
                    break;
                case Part::Rest:
                    if (line.text.size() < kMaxLineLength) {
                        line.text += c;
                    } else {
                        line.tooLong = true;
                    }
                    break;
            }
        }
        if (part == Part::FirstWord && line.text == "random") line.random = true;
        if (line.random) {
            if (!value.empty()) {
                script_.randoms.push_back(RandomValue(number, value));
                ++values;
            }
            if (values == 0)
                throw ScriptError(number, "expected 'random U U ...' with at least one value");
        }
        if (part == Part::Comment) line.text = "#";
        return line;
    }

  private:
    std::istream& in_;
    Script& script_;
};

struct AtLine {
    std::uint64_t time;
    std::size_t line;
};

// A recording lists what happened in the order it happened: each `at` line no earlier than
// the one before it, and the `end` line after the last of them.
void CheckRecordedOrder(const std::vector<AtLine>& atLines, std::size_t endLine,
                        std::uint64_t end) {
    const AtLine* previous = nullptr;
    bool endChecked = false;
    for (const AtLine& at : atLines) {
        if (at.line > endLine && !endChecked) {
            endChecked = true;
            if (previous && end < previous->time) {
                throw ScriptError(endLine, "end time " + std::to_string(end) +
                                               " comes before the time of line " +
                                               std::to_string(previous->line) + " (" +
                                               std::to_string(previous->time) + ")");
            }
        }
        if (at.line > endLine) {
            throw ScriptError(at.line, "'at' line after the 'end' line (line " +
                                           std::to_string(endLine) + ") in a recording");
        }
        if (previous && at.time < previous->time) {
            throw ScriptError(at.line, "time " + std::to_string(at.time) +
                                           " comes before the time of line " +
                                           std::to_string(previous->line) + " (" +
                                           std::to_string(previous->time) + ")");
        }
        previous = &at;
    }
    if (!endChecked && previous && end < previous->time) {
        throw ScriptError(endLine, "end time " + std::to_string(end) +
                                       " comes before the time of line " +
                                       std::to_string(previous->line) + " (" +
                                       std::to_string(previous->time) + ")");
    }
}

}  // namespace

Script ParseScript(std::istream& in) {
    Script script;
    LineReader reader(in, script);
    std::size_t lineNumber = 0;
    std::size_t endLine = 0;
    std::size_t clockLine = 0;
    std::size_t dateLine = 0;
    std::size_t recordedLine = 0;
    std::vector<AtLine> atLines;
    while (true) {
        std::optional<Line> line = reader.Next(lineNumber + 1);
        if (!line) break;
        ++lineNumber;
        if (line->random) continue;
        const std::string& text = line->text;
        const auto words = Words(text);
        if (words.empty() && !line->tooLong) continue;
        if (!words.empty() && words[0][0] == '#') continue;
        if (words.empty() || (line->tooLong && IsCommand(words[0]))) {
            throw ScriptError(lineNumber,
                              "line is longer than " + std::to_string(kMaxLineLength) + " bytes");
        }
        const std::string_view command = words[0];
        if (command == "clock") {
            if (clockLine) throw ScriptError(lineNumber, SecondLine("clock", clockLine));
            ExpectCount(lineNumber, words, 2, "clock N");
            script.clock = static_cast<std::uint32_t>(
                WholeNumber(lineNumber, words[1], std::numeric_limits<std::uint32_t>::max()));
            clockLine = lineNumber;
        } else if (command == "date") {
            if (dateLine) throw ScriptError(lineNumber, SecondLine("date", dateLine));
            // The rest of the line after the command and the blanks that follow it.
            script.date = RestAfter(text, command);
            dateLine = lineNumber;
        } else if (command == "recorded") {
            if (recordedLine) throw ScriptError(lineNumber, SecondLine("recorded", recordedLine));
            ExpectCount(lineNumber, words, 1, "recorded");
            script.recorded = true;
            recordedLine = lineNumber;
        } else if (command == "at") {
            if (words.size() < 3) throw ScriptError(lineNumber, "expected 'at T EVENT'");
            const std::uint64_t time = WholeNumber(lineNumber, words[1], kLatestTime);
            if (words[2] == "date") {
                std::string date = RestAfter(text, words[2]);
                if (date.empty()) throw ScriptError(lineNumber, "expected 'at T date TEXT'");
                script.dateChanges.push_back(DateChange{time, std::move(date)});
            } else {
                const auto kind = EventNamed(words[2]);
                if (!kind) throw ScriptError(lineNumber, "unknown event " + Quoted(words[2]));
                ExpectCount(lineNumber, words, 3, "at T EVENT");
                script.events.push_back(ScriptEvent{time, *kind, lineNumber});
            }
            atLines.push_back(AtLine{time, lineNumber});
        } else if (command == "end") {
            if (endLine) throw ScriptError(lineNumber, SecondLine("end", endLine));
            ExpectCount(lineNumber, words, 2, "end T");
            script.end = WholeNumber(lineNumber, words[1], kLatestTime);
            endLine = lineNumber;
        } else {
            throw ScriptError(lineNumber, "unknown command " + Quoted(command));
        }
    }
    if (in.bad()) throw ScriptError(lineNumber, "the script could not be read");
    if (!endLine) throw ScriptError(lineNumber + 1, "no 'end' line");
    if (script.recorded) CheckRecordedOrder(atLines, endLine, script.end);
    const auto byTime = [](const auto& a, const auto& b) { return a.time < b.time; };
    std::stable_sort(script.events.begin(), script.events.end(), byTime);
    std::stable_sort(script.dateChanges.begin(), script.dateChanges.end(), byTime);
    return script;
}

}  // namespace gyrolap::sim
