// SPDX-License-Identifier: MIT
// Reading a script's lines; see ScriptReader.h.
#include "sim/ScriptReader.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "submit/SafeText.h"

namespace gyrolap::sim {
namespace {

// The longest text of one random value that is read at all, as long as any other line.
constexpr std::size_t kMaxValueLength = kMaxLineLength;
// How much of a script's word a message quotes.
constexpr std::size_t kQuoteLength = 40;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// The first few words of a line: no line of a script has more than three, so a fourth only
// tells that there are too many.
struct Words {
    std::array<std::string_view, 4> word;
    std::size_t count = 0;  // up to 4

    bool empty() const noexcept { return count == 0; }
    std::size_t size() const noexcept { return count; }
    std::string_view operator[](std::size_t i) const { return word[i]; }
};

Words SplitWords(std::string_view text) {
    Words words;
    std::size_t i = 0;
    while (i < text.size() && words.count < words.word.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) ++i;
        if (i > start) words.word[words.count++] = text.substr(start, i - start);
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

bool IsCommand(std::string_view word) {
    return word == "clock" || word == "date" || word == "random" || word == "at" || word == "end" ||
           word == "recorded";
}

void ExpectCount(std::size_t line, const Words& words, std::size_t count, const char* usage) {
    if (words.size() != count) throw ScriptError(line, std::string("expected '") + usage + "'");
}

// The rest of `text` after `word` (a view into it) and the blanks that follow.
std::string RestAfter(std::string_view text, std::string_view word) {
    std::string_view rest = text;
    rest.remove_prefix(static_cast<std::size_t>(word.data() + word.size() - text.data()));
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    return std::string(rest);
}

// What a line says, from its text as kept (at most kMaxLineLength bytes); nothing for a
// blank line or a comment.
std::optional<ScriptLine> Interpret(const std::string& text, bool tooLong, std::size_t number) {
    const Words words = SplitWords(text);
    if (words.empty() && !tooLong) return std::nullopt;
    if (!words.empty() && words[0][0] == '#') return std::nullopt;
    if (words.empty() || (tooLong && IsCommand(words[0]))) {
        throw ScriptError(number,
                          "line is longer than " + std::to_string(kMaxLineLength) + " bytes");
    }
    ScriptLine line;
    line.line = number;
    const std::string_view command = words[0];
    if (command == "clock") {
        ExpectCount(number, words, 2, "clock N");
        line.kind = ScriptLine::Kind::Clock;
        line.number = WholeNumber(number, words[1], std::numeric_limits<std::uint32_t>::max());
    } else if (command == "date") {
        // The rest of the line after the command and the blanks that follow it.
        line.kind = ScriptLine::Kind::Date;
        line.text = RestAfter(text, command);
    } else if (command == "recorded") {
        ExpectCount(number, words, 1, "recorded");
        line.kind = ScriptLine::Kind::Recorded;
    } else if (command == "at") {
        if (words.size() < 3) throw ScriptError(number, "expected 'at T EVENT'");
        line.number = WholeNumber(number, words[1], kLatestScriptTime);
        if (words[2] == "date") {
            line.kind = ScriptLine::Kind::DateChange;
            line.text = RestAfter(text, words[2]);
            if (line.text.empty()) throw ScriptError(number, "expected 'at T date TEXT'");
        } else {
            line.kind = ScriptLine::Kind::Event;
            line.input = InputNamed(words[2]);
            if (!line.input && words[2] != "snap")
                throw ScriptError(number, "unknown event " + Quoted(words[2]));
            ExpectCount(number, words, 3, "at T EVENT");
        }
    } else if (command == "end") {
        ExpectCount(number, words, 2, "end T");
        line.kind = ScriptLine::Kind::End;
        line.number = WholeNumber(number, words[1], kLatestScriptTime);
    } else {
        throw ScriptError(number, "unknown command " + Quoted(command));
    }
    return line;
}

// Where a line is as it is read.
enum class Part { FirstWord, Random, Comment, Rest };

}  // namespace

std::string TooLargeMessage(std::uint64_t limit) {
    return "the script is larger than the limit of " + std::to_string(limit) + " bytes";
}

std::string Describe(const ScriptError& error) {
    if (error.line() == 0) return error.what();
    return "line " + std::to_string(error.line()) + ": " + error.what();
}

const char* CommandName(ScriptLine::Kind kind) {
    switch (kind) {
        case ScriptLine::Kind::Clock:
            return "clock";
        case ScriptLine::Kind::Date:
            return "date";
        case ScriptLine::Kind::Recorded:
            return "recorded";
        case ScriptLine::Kind::Random:
            return "random";
        case ScriptLine::Kind::Event:
        case ScriptLine::Kind::DateChange:
            return "at";
        case ScriptLine::Kind::End:
            return "end";
    }
    return "?";
}

int ScriptReader::Get() {
    if (at_ == filled_) {
        if (!in_.rdbuf() || in_.eof()) return -1;
        in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        filled_ = static_cast<std::size_t>(in_.gcount());
        at_ = 0;
        if (in_.bad())
            throw ScriptError(lines_ + 1, "the script could not be read",
                              ScriptError::Kind::Unreadable);
        if (filled_ == 0) return -1;
        bytes_ += filled_;
        if (bytes_ > maxBytes_) {
            throw ScriptError(0, TooLargeMessage(maxBytes_), ScriptError::Kind::TooLarge);
        }
        if (!started_) {
            started_ = true;
            // An editor's byte order mark says only that the file is UTF-8.
            if (filled_ >= 3 && buffer_[0] == '\xEF' && buffer_[1] == '\xBB' &&
                buffer_[2] == '\xBF')
                at_ = 3;
            if (at_ == filled_) return Get();
        }
    }
    return static_cast<unsigned char>(buffer_[at_++]);
}

std::optional<ScriptLine> ScriptReader::Next() {
    while (!ended_) {
        const std::size_t number = lines_ + 1;
        std::string text;
        bool tooLong = false;
        bool random = false;
        Part part = Part::FirstWord;
        std::string value;
        std::vector<float> values;
        bool any = false;
        bool terminated = false;
        const auto takeValue = [&] {
            values.push_back(RandomValue(number, value));
            if (values.size() > maxValues_) {
                throw ScriptError(number, "more than " + std::to_string(maxValues_) +
                                              " random values on one line");
            }
            value.clear();
        };
        for (;;) {
            const int got = Get();
            if (got < 0) {
                ended_ = true;
                break;
            }
            const char c = static_cast<char>(got);
            if (afterCr_) {
                afterCr_ = false;
                // The LF of a CR LF pair ends nothing more.
                if (c == '\n') continue;
            }
            any = true;
            if (c == '\n' || c == '\r') {
                afterCr_ = c == '\r';
                terminated = true;
                break;
            }
            switch (part) {
                case Part::FirstWord:
                    // Blanks before the first word are skipped; the blank after it ends it.
                    if (IsBlank(c)) {
                        if (text.empty()) break;
                        if (text == "random") {
                            part = Part::Random;
                            random = true;
                            break;
                        }
                        part = Part::Rest;
                    } else if (text.empty() && c == '#') {
                        part = Part::Comment;
                    }
                    text += c;
                    if (text.size() >= kMaxLineLength) part = Part::Rest;
                    break;
                case Part::Random:
                    // The values are taken one by one: a line's length costs nothing, its
                    // values cost what they are.
                    if (!IsBlank(c)) {
                        // A value too long to be one is refused before it can grow.
                        if (value.size() > kMaxValueLength) RandomValue(number, value);
                        value += c;
                    } else if (!value.empty()) {
                        takeValue();
                    }
                    break;
                case Part::Comment:
                    break;
                case Part::Rest:
                    if (text.size() < kMaxLineLength) {
                        text += c;
                    } else {
                        tooLong = true;
                    }
                    break;
            }
        }
        if (!any) return std::nullopt;
        // Events keep their line in 32 bits.
        if (number > std::numeric_limits<std::uint32_t>::max())
            throw ScriptError(number, "more than 4294967295 lines");
        lines_ = number;
        if (!terminated && dropTorn_) {
            tornLine_ = number;
            return std::nullopt;
        }
        if (part == Part::FirstWord && text == "random") random = true;
        if (random) {
            if (!value.empty()) takeValue();
            if (values.empty())
                throw ScriptError(number, "expected 'random U U ...' with at least one value");
            ScriptLine line;
            line.kind = ScriptLine::Kind::Random;
            line.line = number;
            line.values = std::move(values);
            return line;
        }
        if (part == Part::Comment) continue;
        if (auto line = Interpret(text, tooLong, number)) return line;
    }
    return std::nullopt;
}

}  // namespace gyrolap::sim
