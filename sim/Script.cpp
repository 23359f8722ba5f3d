// Reading a simulator script; see Script.h.
#include "sim/Script.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <sstream>
#include <string_view>

namespace gyrolap::sim {
namespace {

// Times beyond this are refused, so that no clock arithmetic on them can overflow.
constexpr std::uint64_t kLatestTime = std::uint64_t{1} << 53;

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

std::string Quoted(std::string_view word) {
    return "'" + std::string(word) + "'";
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
    if (error != std::errc{} || end != word.data() + word.size())
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

void ExpectCount(std::size_t line, const std::vector<std::string_view>& words, std::size_t count,
                 const char* usage) {
    if (words.size() != count) throw ScriptError(line, std::string("expected '") + usage + "'");
}

}  // namespace

Script ParseScript(std::istream& in) {
    Script script;
    std::size_t lineNumber = 0;
    std::size_t endLine = 0;
    std::size_t clockLine = 0;
    std::size_t dateLine = 0;
    std::string text;
    while (std::getline(in, text)) {
        ++lineNumber;
        const auto words = Words(text);
        if (words.empty() || words[0][0] == '#') continue;
        const std::string_view command = words[0];
        if (command == "clock") {
            if (clockLine)
                throw ScriptError(lineNumber, "second 'clock' line (the first is line " +
                                                  std::to_string(clockLine) + ")");
            ExpectCount(lineNumber, words, 2, "clock N");
            script.clock = static_cast<std::uint32_t>(
                WholeNumber(lineNumber, words[1], std::numeric_limits<std::uint32_t>::max()));
            clockLine = lineNumber;
        } else if (command == "date") {
            if (dateLine)
                throw ScriptError(lineNumber, "second 'date' line (the first is line " +
                                                  std::to_string(dateLine) + ")");
            // The rest of the line after the command and the blanks that follow it.
            std::string_view rest = text;
            rest.remove_prefix(
                static_cast<std::size_t>(command.data() + command.size() - text.data()));
            while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
            while (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
            script.date = std::string(rest);
            dateLine = lineNumber;
        } else if (command == "random") {
            if (words.size() < 2)
                throw ScriptError(lineNumber, "expected 'random U U ...' with at least one value");
            for (std::size_t i = 1; i < words.size(); ++i)
                script.randoms.push_back(RandomValue(lineNumber, words[i]));
        } else if (command == "at") {
            if (words.size() < 3) throw ScriptError(lineNumber, "expected 'at T EVENT'");
            const std::uint64_t time = WholeNumber(lineNumber, words[1], kLatestTime);
            if (words[2] == "date") {
                std::string_view rest = text;
                rest.remove_prefix(
                    static_cast<std::size_t>(words[2].data() + words[2].size() - text.data()));
                while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
                while (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
                script.dateChanges.push_back(DateChange{time, std::string(rest)});
                continue;
            }
            const auto kind = EventNamed(words[2]);
            if (!kind) throw ScriptError(lineNumber, "unknown event " + Quoted(words[2]));
            ExpectCount(lineNumber, words, 3, "at T EVENT");
            script.events.push_back(ScriptEvent{time, *kind, lineNumber});
        } else if (command == "recorded") {
            script.recorded = true;
        } else if (command == "end") {
            if (endLine)
                throw ScriptError(lineNumber, "second 'end' line (the first is line " +
                                                  std::to_string(endLine) + ")");
            ExpectCount(lineNumber, words, 2, "end T");
            script.end = WholeNumber(lineNumber, words[1], kLatestTime);
            endLine = lineNumber;
        } else {
            throw ScriptError(lineNumber, "unknown command " + Quoted(command));
        }
    }
    if (in.bad()) throw ScriptError(lineNumber, "the script could not be read");
    if (!endLine) throw ScriptError(lineNumber + 1, "no 'end' line");
    // A recording is written as it happens: its events can only come in time order.
    if (script.recorded) {
        for (std::size_t i = 1; i < script.events.size(); ++i) {
            if (script.events[i].time < script.events[i - 1].time)
                throw ScriptError(script.events[i].line,
                                  "time " + std::to_string(script.events[i].time) +
                                      " comes before the time of line " +
                                      std::to_string(script.events[i - 1].line));
        }
    }
    std::stable_sort(script.events.begin(), script.events.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.time < b.time; });
    std::stable_sort(script.dateChanges.begin(), script.dateChanges.end(),
                     [](const DateChange& a, const DateChange& b) { return a.time < b.time; });
    return script;
}

}  // namespace gyrolap::sim
