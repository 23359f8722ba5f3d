// SPDX-License-Identifier: MIT
// Escaping untrusted text for a terminal: what is escaped and how, and that an answer line of
// escaped and quoted fields always splits back into the very fields it was made from.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "submit/CheckLines.h"
#include "submit/SafeText.h"

namespace gyrolap {
namespace {

struct EscapeCase {
    std::string text;
    std::string escaped;
};

class EscapedText : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapedText, IsSafeToPrint) {
    EXPECT_EQ(Escaped(GetParam().text), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EscapedText,
    ::testing::Values(EscapeCase{"5/16/2001", "5/16/2001"}, EscapeCase{"a\\b", "a\\\\b"},
                      EscapeCase{"say \"hi\"", "say \\\"hi\\\""},
                      EscapeCase{std::string("\0\x1b[2J\x7f", 6), "\\x00\\x1B[2J\\x7F"},
                      // C1 as a lone byte is not UTF-8; as UTF-8 it is the control U+009B.
                      EscapeCase{"\x9b"
                                 "31m",
                                 "\\x9B31m"},
                      EscapeCase{"\xC2\x9B"
                                 "31m",
                                 "\\u{009B}31m"},
                      // Bidi overrides and marks, zero width, the byte order mark, a tag character.
                      EscapeCase{"\xE2\x80\xAE"
                                 "1002",
                                 "\\u{202E}1002"},
                      EscapeCase{"16\xE2\x80\x8F/5", "16\\u{200F}/5"},
                      EscapeCase{"\xE2\x81\xA6x\xE2\x81\xA9", "\\u{2066}x\\u{2069}"},
                      EscapeCase{"\xE2\x80\x8B\xEF\xBB\xBF", "\\u{200B}\\u{FEFF}"},
                      EscapeCase{"\xF3\xA0\x80\x81", "\\u{E0001}"},
                      // Blanks that look like a field break.
                      EscapeCase{"a\xC2\xA0"
                                 "b\xE2\x80\xAF"
                                 "c\xE2\x80\xA8",
                                 "a\\u{00A0}b\\u{202F}c\\u{2028}"},
                      // Letters of any script stay as they are.
                      EscapeCase{"16.05.2001 \xD0\xB3. M\xC3\xA4rz \xF0\x9F\x8E\xB2",
                                 "16.05.2001 \xD0\xB3. M\xC3\xA4rz \xF0\x9F\x8E\xB2"},
                      // Overlong, surrogate, beyond U+10FFFF, cut short: each byte escaped.
                      EscapeCase{"\xC0\xAF", "\\xC0\\xAF"},
                      EscapeCase{"\xED\xA0\x80", "\\xED\\xA0\\x80"},
                      EscapeCase{"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
                      EscapeCase{"\xE2\x80", "\\xE2\\x80"}));

TEST(Shortened, CutsLongTextAtACharacterBoundary) {
    EXPECT_EQ(Shortened("jump", 10), "jump");
    EXPECT_EQ(Shortened(std::string(200'000'000 / 1000, 'w'), 8), "wwwwwwww...");
    // A two-byte character is not cut in half.
    EXPECT_EQ(Shortened("abc\xC3\xA4zz", 4), "abc...");
    EXPECT_EQ(Shortened("\x1b\x1b\x1b\x1b", 2), "\\x1B\\x1B...");
}

// Reads an answer line back as a reader of the documented form would: blank-separated
// NAME=VALUE fields, a value in double quotes when it holds a blank, escapes undone.
std::vector<std::string> SplitBack(const std::string& line) {
    std::vector<std::string> values;
    std::size_t at = line.find(' ');
    while (at != std::string::npos && at < line.size()) {
        ++at;  // the blank
        at = line.find('=', at) + 1;
        const bool quoted = line[at] == '"';
        if (quoted) ++at;
        std::string value;
        while (at < line.size() && !(quoted ? line[at] == '"' : line[at] == ' ')) {
            if (line[at] != '\\') {
                value += line[at++];
                continue;
            }
            const char kind = line[at + 1];
            if (kind == 'x') {
                value += static_cast<char>(std::stoi(line.substr(at + 2, 2), nullptr, 16));
                at += 4;
            } else if (kind == 'u') {
                const std::size_t close = line.find('}', at);
                const auto code = std::stoul(line.substr(at + 3, close - at - 3), nullptr, 16);
                // Back to UTF-8.
                if (code < 0x800) {
                    value += static_cast<char>(0xC0 | (code >> 6));
                } else if (code < 0x10000) {
                    value += static_cast<char>(0xE0 | (code >> 12));
                    value += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                } else {
                    value += static_cast<char>(0xF0 | (code >> 18));
                    value += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
                    value += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                }
                value += static_cast<char>(0x80 | (code & 0x3F));
                at = close + 1;
            } else {
                value += kind;
                at += 2;
            }
        }
        if (quoted) ++at;
        values.push_back(value);
        if (at >= line.size()) break;
    }
    return values;
}

TEST(AnswerLine, AlwaysSplitsBackIntoItsFields) {
    std::mt19937 rng(2066);
    const std::vector<std::string> pieces = {" ",        "\"",
                                             "\\",       "=",
                                             "best=999", "x",
                                             "\xC2\xA0", "\xE2\x80\xAE",
                                             "\xC2\x9B", "\x9B",
                                             "\x1b",     "\t",
                                             "\xD0\xB3", "\xF0\x9F\x8E\xB2",
                                             "\xE2\x80", "5/16/2001",
                                             "\\x41",    "\\u{41}"};
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> count(0, 5);
    for (int sample = 0; sample < 5000; ++sample) {
        SubmissionCheck check;
        check.valid = true;
        for (std::string* field : {&check.version, &check.best, &check.average, &check.date}) {
            for (int k = count(rng); k > 0; --k) *field += pieces[pick(rng)];
        }
        const std::string line = AnswerLine(check);
        // Nothing in the line can steer a terminal or hide from its reader.
        for (const char c : line) {
            ASSERT_TRUE(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f)
                << ::testing::PrintToString(line);
        }
        EXPECT_EQ(line.find("\xC2\x9B"), std::string::npos);
        EXPECT_EQ(line.find("\xE2\x80\xAE"), std::string::npos);
        const std::vector<std::string> expected = {check.version, check.best, check.average,
                                                   check.date};
        ASSERT_EQ(SplitBack(line), expected) << ::testing::PrintToString(line);
    }
}

}  // namespace
}  // namespace gyrolap
