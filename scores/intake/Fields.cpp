// SPDX-License-Identifier: MIT
// Cleaning typed names; see Fields.h.
#include "scores/intake/Fields.h"

#include <QChar>

#include "submit/SafeText.h"

namespace gyrolap::scores {
namespace {

bool IsLineOrTab(char32_t code) {
    return code == '\t' || code == '\n' || code == '\v' || code == '\f' || code == '\r';
}

// Letters that draw nothing: the Hangul fillers and the blank Braille pattern. A name of them
// looks empty on the board, yet is neither a blank nor a format character.
bool IsInvisibleFiller(char32_t code) {
    return code == 0x115F || code == 0x1160 || code == 0x2800 || code == 0x3164 || code == 0xFFA0;
}

// Marks drawn on the character before them (Unicode's Mn and Me). A letter rarely needs more
// than two (Vietnamese stacks two on one vowel); a pile of them is drawn over the rows above.
bool IsCombiningMark(char32_t code) {
    const QChar::Category category = QChar::category(code);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing;
}
constexpr int kMostMarksOnACharacter = 2;

void AppendUtf8(std::string& out, std::string_view text, const Utf8Character& c, std::size_t at) {
    out.append(text.substr(at, c.length));
}

}  // namespace

std::optional<std::string> CleanField(std::string_view raw, std::size_t limit) {
    std::string clean;
    std::size_t characters = 0;
    bool spacePending = false;
    int marksOnLast = 0;  // combining marks kept on the last character kept
    for (std::size_t at = 0; at < raw.size();) {
        const Utf8Character c = NextUtf8Character(raw, at);
        const std::size_t here = at;
        at += c.length;
        if (!c.valid) continue;
        // A line break or another blank pasted into a name is a gap between words, not a
        // character of its own; the other controls and format characters are dropped.
        if (c.code == ' ' || IsLineOrTab(c.code) || IsOtherSpace(c.code)) {
            spacePending = !clean.empty();
            continue;
        }
        if (IsControl(c.code) || IsFormat(c.code) || IsInvisibleFiller(c.code)) continue;
        const bool mark = IsCombiningMark(c.code);
        if (mark && !spacePending && marksOnLast == kMostMarksOnACharacter) continue;
        if (spacePending) {
            clean += ' ';
            ++characters;
            spacePending = false;
            marksOnLast = 0;
        }
        marksOnLast = mark ? marksOnLast + 1 : 0;
        AppendUtf8(clean, raw, c, here);
        if (++characters > limit) return std::nullopt;
    }
    return clean;
}

}  // namespace gyrolap::scores
