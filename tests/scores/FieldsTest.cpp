// SPDX-License-Identifier: MIT
// Names typed beside a score are stored without what could hide or reorder text, and bounded.
#include <gtest/gtest.h>

#include "scores/intake/Fields.h"

namespace gyrolap::scores {
namespace {

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
}

}  // namespace
}  // namespace gyrolap::scores
