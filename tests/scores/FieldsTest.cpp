// SPDX-License-Identifier: MIT
// Names typed beside a score are stored without what could hide or reorder text, and bounded.
#include <gtest/gtest.h>

#include "scores/intake/Fields.h"

namespace gyrolap::scores {
namespace {

std::string Times(const std::string& piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += piece;
    return out;
}

TEST(Fields, NamesAreCleanedOfControlAndFormatCharacters) {
    struct Case {
        const char* what;
        std::string raw;
        std::string clean;
    };
    const Case cases[] = {
        {"a plain name", "Ann", "Ann"},
        {"blanks around and between", "  Ann   Lee \t", "Ann Lee"},
        {"a line break pasted in", "New\r\nYork", "New York"},
        {"terminal escapes", "\x1b[31mRed\x1b[0m", "[31mRed[0m"},
        {"a right-to-left override",
         "abc\xE2\x80\xAE"
         "fed",
         "abcfed"},
        {"zero-width joiners and a byte order mark",
         "A\xE2\x80\x8D"
         "B\xEF\xBB\xBF",
         "AB"},
        {"a no-break space and a line separator", "S\xC3\xA3o\xC2\xA0Paulo\xE2\x80\xA8X",
         "S\xC3\xA3o Paulo X"},
        {"bytes that are not UTF-8", "Ann\xFF\xC3", "Ann"},
        {"a C1 control",
         "A\xC2\x85"
         "B",
         "AB"},
        {"markup stays text, escaped where shown", "<script>alert(1)</script>",
         "<script>alert(1)</script>"},
        {"nothing but controls", "\x01\x02\xE2\x80\x8B", ""},
        // U+3164, U+115F, U+1160, U+FFA0 (Hangul fillers) and U+2800 (blank Braille).
        {"letters that draw nothing",
         "A\xE3\x85\xA4"
         "B\xE1\x85\x9F\xE1\x85\xA0"
         "C\xE2\xA0\x80"
         "D\xEF\xBE\xA0",
         "ABCD"},
        {"a name of fillers alone", "\xE3\x85\xA4\xE3\x85\xA4 \xE2\xA0\x80", ""},
        {"a letter under a pile of accents", "e" + Times("\xCC\x81", 39) + "x",
         "e\xCC\x81\xCC\x81x"},
        {"enclosing marks count as marks", "a" + Times("\xE2\x83\x9D", 3),
         "a\xE2\x83\x9D\xE2\x83\x9D"},
        {"two marks on a Vietnamese vowel", "Nguy\x65\xCC\xA3\xCC\x82n",
         "Nguy\x65\xCC\xA3\xCC\x82n"},
        {"a Thai vowel and tone mark", "\xE0\xB8\x81\xE0\xB8\xB4\xE0\xB9\x88",
         "\xE0\xB8\x81\xE0\xB8\xB4\xE0\xB9\x88"},
        // Spacing vowel signs (Mc) sit beside the letter and are not counted.
        {"Hindi with spacing vowel signs",
         "\xE0\xA4\xB9\xE0\xA4\xBF\xE0\xA4\x82\xE0\xA4\xA6\xE0\xA5\x80",
         "\xE0\xA4\xB9\xE0\xA4\xBF\xE0\xA4\x82\xE0\xA4\xA6\xE0\xA5\x80"},
        {"each letter keeps its own two", "a" + Times("\xCC\x81", 3) + " b" + Times("\xCC\x81", 3),
         "a\xCC\x81\xCC\x81 b\xCC\x81\xCC\x81"},
        {"a dropped joiner does not split a pile", "a\xCC\x81\xE2\x80\x8D\xCC\x81\xCC\x81",
         "a\xCC\x81\xCC\x81"},
        {"marks with no letter before them", Times("\xCC\x81", 5) + "a",
         "\xCC\x81\xCC\x81"
         "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CleanField(c.raw, 40), c.clean);
    }
}

TEST(Fields, TheBoundCountsCharactersLeftAfterCleaning) {
    const std::string forty(40, 'a');
    EXPECT_EQ(CleanField(forty, 40), forty);
    EXPECT_EQ(CleanField(forty + "a", 40), std::nullopt);
    // Dropped characters do not count; each two-byte letter counts once.
    EXPECT_EQ(CleanField(forty + "\xE2\x80\x8B\x07", 40), forty);
    std::string umlauts;
    for (int i = 0; i < 40; ++i) umlauts += "\xC3\xA4";
    EXPECT_EQ(CleanField(umlauts, 40), umlauts);
    EXPECT_EQ(CleanField(umlauts + "\xC3\xA4", 40), std::nullopt);
    // A kept mark counts; the marks dropped from a pile do not.
    const std::string accented = std::string(37, 'a') + "e\xCC\x81\xCC\x81";
    EXPECT_EQ(CleanField(std::string(37, 'a') + "e" + Times("\xCC\x81", 39), 40), accented);
    EXPECT_EQ(CleanField("a" + accented, 40), std::nullopt);
}

}  // namespace
}  // namespace gyrolap::scores
