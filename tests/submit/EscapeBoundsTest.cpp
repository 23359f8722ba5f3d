// SPDX-License-Identifier: MIT
// Each class of character the escaper must not let through, at both ends of every range: C0,
// DEL, C1 up to U+009F, each range of invisible format characters and of spaces other than the
// ASCII one, and each way bytes fail to be UTF-8; beside the nearest characters that pass as
// they are. And the quoting rule of answer fields: quoted when empty or holding a blank or a
// double quote, and only then.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "submit/CheckLines.h"
#include "submit/SafeText.h"
#include "support/CaseName.h"

namespace gyrolap {
namespace {

std::string Utf8(char32_t code) {
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

std::string Hex(char32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "\\u{%04X}", static_cast<unsigned>(code));
    return text;
}

struct Range {
    char32_t first;
    char32_t last;
};

// Unicode 15's invisible format characters (general category Cf).
const std::vector<Range> kFormatRanges = {
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
    {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
};
// Spaces other than the ASCII space, and the line and paragraph separators.
const std::vector<Range> kOtherSpaceRanges = {
    {0x00A0, 0x00A0}, {0x1680, 0x1680}, {0x2000, 0x200A}, {0x2028, 0x2029},
    {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000},
};

TEST(EscapeBounds, EveryFormatAndOtherSpaceRangeIsEscapedFromItsFirstToItsLastMember) {
    for (const auto* ranges : {&kFormatRanges, &kOtherSpaceRanges}) {
        for (const Range& range : *ranges) {
            for (const char32_t code : {range.first, range.last}) {
                EXPECT_EQ(Escaped("a" + Utf8(code) + "b"), "a" + Hex(code) + "b") << Hex(code);
            }
        }
    }
}

struct EscapeCase {
    std::string text;
    std::string escaped;
};

void PrintTo(const EscapeCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.text);
}

// A case's name: its place in the table and the bytes of its text in hex.
std::string NameOf(const ::testing::TestParamInfo<EscapeCase>& info) {
    std::string bytes = info.param.text.empty() ? "empty" : "";
    for (const char c : info.param.text) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ", static_cast<unsigned char>(c));
        bytes += hex;
    }
    return testing::CaseName(info.index, bytes);
}

class EscapeAtItsBound : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeAtItsBound, ShowsTheTextSafely) {
    EXPECT_EQ(Escaped(GetParam().text), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, EscapeAtItsBound,
    ::testing::Values(
        // C0 and DEL, beside the first and last printable ASCII characters.
        EscapeCase{std::string(1, '\0'), "\\x00"}, EscapeCase{"\x1F", "\\x1F"},
        EscapeCase{" !", " !"}, EscapeCase{"~", "~"}, EscapeCase{"\x7F", "\\x7F"},
        EscapeCase{"\\", "\\\\"}, EscapeCase{"\"", "\\\""}, EscapeCase{"[]'", "[]'"},
        // C1, U+0080 to U+009F; U+00A0 is a space, U+00A1 passes.
        EscapeCase{Utf8(0x80), "\\u{0080}"}, EscapeCase{Utf8(0x9F), "\\u{009F}"},
        EscapeCase{Utf8(0xA0), "\\u{00A0}"}, EscapeCase{Utf8(0xA1), Utf8(0xA1)},
        // The characters beside format and space ranges pass as they are.
        EscapeCase{Utf8(0x061B), Utf8(0x061B)}, EscapeCase{Utf8(0x0606), Utf8(0x0606)},
        EscapeCase{Utf8(0x180D), Utf8(0x180D)}, EscapeCase{Utf8(0x180F), Utf8(0x180F)},
        EscapeCase{Utf8(0x1681), Utf8(0x1681)}, EscapeCase{Utf8(0x2010), Utf8(0x2010)},
        EscapeCase{Utf8(0x2027), Utf8(0x2027)}, EscapeCase{Utf8(0x2030), Utf8(0x2030)},
        EscapeCase{Utf8(0x205E), Utf8(0x205E)}, EscapeCase{Utf8(0x2070), Utf8(0x2070)},
        EscapeCase{Utf8(0x3001), Utf8(0x3001)}, EscapeCase{Utf8(0xFFFC), Utf8(0xFFFC)}),
    NameOf);

INSTANTIATE_TEST_SUITE_P(
    Bytes, EscapeAtItsBound,
    ::testing::Values(
        // Bytes that start no character: continuation bytes alone, overlong leads, leads
        // beyond U+10FFFF.
        EscapeCase{"\x80", "\\x80"}, EscapeCase{"\xBF", "\\xBF"},
        EscapeCase{"\xC0\x80", "\\xC0\\x80"}, EscapeCase{"\xC1\xBF", "\\xC1\\xBF"},
        EscapeCase{"\xF5\x80\x80\x80", "\\xF5\\x80\\x80\\x80"}, EscapeCase{"\xFF", "\\xFF"},
        // The shortest and longest forms of each length, and what lies just outside them.
        EscapeCase{"\xC2\xA1", "\xC2\xA1"}, EscapeCase{"\xDF\xBF", "\xDF\xBF"},
        EscapeCase{"\xE0\x9F\xBF", "\\xE0\\x9F\\xBF"}, EscapeCase{"\xE0\xA0\x80", "\xE0\xA0\x80"},
        EscapeCase{"\xED\x9F\xBB", "\xED\x9F\xBB"}, EscapeCase{"\xED\xA0\x80", "\\xED\\xA0\\x80"},
        EscapeCase{"\xED\xBF\xBF", "\\xED\\xBF\\xBF"}, EscapeCase{"\xEE\x80\x80", "\xEE\x80\x80"},
        EscapeCase{"\xF0\x8F\xBF\xBF", "\\xF0\\x8F\\xBF\\xBF"},
        EscapeCase{"\xF0\x90\x80\x80", "\xF0\x90\x80\x80"},
        EscapeCase{"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        EscapeCase{"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
        // Cut short, at the end or by a byte that continues nothing.
        EscapeCase{"\xE2\x80", "\\xE2\\x80"}, EscapeCase{"\xF0\x90\x80", "\\xF0\\x90\\x80"},
        EscapeCase{"\xC3"
                   "A",
                   "\\xC3"
                   "A"},
        EscapeCase{"\xE2\x80"
                   "\xC3\xA4",
                   "\\xE2\\x80\xC3\xA4"}),
    NameOf);

class FieldQuoting : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(FieldQuoting, QuotesAFieldThatCouldBeReadAsAnother) {
    EXPECT_EQ(Field(GetParam().text), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, FieldQuoting,
    ::testing::Values(EscapeCase{"", "\"\""}, EscapeCase{" ", "\" \""},
                      EscapeCase{"5 16 2001", "\"5 16 2001\""},
                      // A double quote alone is enough: an unquoted value never starts a quote.
                      EscapeCase{"\"", "\"\\\"\""}, EscapeCase{"5\"16", "\"5\\\"16\""},
                      EscapeCase{"\"5/16/2001\"", "\"\\\"5/16/2001\\\"\""},
                      // Nothing else is quoted: what is escaped leaves no blank behind.
                      EscapeCase{"5/16/2001", "5/16/2001"}, EscapeCase{"5\\16", "5\\\\16"},
                      EscapeCase{"5\t16", "5\\x0916"},
                      EscapeCase{"5\xC2\xA0"
                                 "16",
                                 "5\\u{00A0}16"},
                      EscapeCase{"=", "="}),
    NameOf);

TEST(FieldQuoting, AnAnswerLineQuotesADateThatHoldsADoubleQuote) {
    SubmissionCheck check;
    check.valid = true;
    check.version = "2001.0516.1158";
    check.best = "0";
    check.average = "0";
    check.date = "5\"16\"2001";
    EXPECT_EQ(AnswerLine(check),
              "valid version=2001.0516.1158 best=0 average=0 date=\"5\\\"16\\\"2001\"");
}

}  // namespace
}  // namespace gyrolap
