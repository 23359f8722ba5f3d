// SPDX-License-Identifier: MIT
// Cleaning typed names; see Fields.h.
#include "scores/intake/Fields.h"

#include "submit/SafeText.h"

namespace gyrolap::scores {
namespace {

bool IsLineOrTab(char32_t code) {
    return code == '\t' || code == '\n' || code == '\v' || code == '\f' || code == '\r';
}

void AppendUtf8(std::string& out, std::string_view text, const Utf8Character& c, std::size_t at) {
    out.append(text.substr(at, c.length));
}

}  // namespace

std::optional<std::string> CleanField(std::string_view raw, std::size_t limit) {
    std::string clean;
    std::size_t characters = 0;
    bool spacePending = false;
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
        if (IsControl(c.code) || IsFormat(c.code)) continue;
        if (spacePending) {
            clean += ' ';
            ++characters;
            spacePending = false;
        }
        AppendUtf8(clean, raw, c, here);
        if (++characters > limit) return std::nullopt;
    }
    return clean;
}

}  // namespace gyrolap::scores
