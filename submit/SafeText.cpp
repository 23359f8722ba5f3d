// SPDX-License-Identifier: MIT
// Escaping untrusted text for a terminal; see SafeText.h.
#include "submit/SafeText.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace gyrolap {
namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// General category Cf (Unicode 15).
constexpr Range kFormat[] = {
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
    {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
};

// General categories Zs (less the ASCII space), Zl and Zp.
constexpr Range kOtherSpace[] = {
    {0x00A0, 0x00A0}, {0x1680, 0x1680}, {0x2000, 0x200A}, {0x2028, 0x2029},
    {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000},
};

template <std::size_t N>
bool InRanges(const Range (&ranges)[N], char32_t code) {
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [code](const Range& r) { return code >= r.first && code <= r.last; });
}

void AppendHex(std::string& out, const char* pattern, unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, pattern, value);
    out += buffer;
}

}  // namespace

Utf8Character NextUtf8Character(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(at);
    Utf8Character c;
    c.code = lead;
    if (lead < 0x80) {
        c.valid = true;
        return c;
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return c;
    }
    if (at + length > text.size()) return c;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned next = byte(at + k);
        if ((next & 0xC0) != 0x80) return c;
        code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return c;
    c.code = code;
    c.length = length;
    c.valid = true;
    return c;
}

bool IsControl(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

bool IsFormat(char32_t code) {
    return InRanges(kFormat, code);
}

bool IsOtherSpace(char32_t code) {
    return InRanges(kOtherSpace, code);
}

std::string Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        // Printable ASCII, the bulk of any text, goes through as it is, a run at a time.
        std::size_t plain = at;
        while (plain < text.size() && text[plain] >= 0x20 && text[plain] < 0x7F &&
               text[plain] != '\\' && text[plain] != '"')
            ++plain;
        out.append(text.substr(at, plain - at));
        at = plain;
        if (at == text.size()) break;
        const Utf8Character c = NextUtf8Character(text, at);
        if (!c.valid) {
            AppendHex(out, "\\x%02X", static_cast<unsigned char>(text[at]));
        } else if (c.code == '\\') {
            out += "\\\\";
        } else if (c.code == '"') {
            out += "\\\"";
        } else if (c.code < 0x20 || c.code == 0x7F) {
            AppendHex(out, "\\x%02X", static_cast<unsigned>(c.code));
        } else if (IsControl(c.code) || IsFormat(c.code) || IsOtherSpace(c.code)) {
            AppendHex(out, "\\u{%04X}", static_cast<unsigned>(c.code));
        } else {
            out.append(text.substr(at, c.length));
        }
        at += c.length;
    }
    return out;
}

std::string Field(std::string_view text) {
    const bool quote = text.empty() || text.find_first_of(" \"") != std::string_view::npos;
    std::string out = Escaped(text);
    return quote ? "\"" + out + "\"" : out;
}

std::string Shortened(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return Escaped(text);
    // Cut at a character boundary, so the cut itself makes no invalid byte.
    std::size_t cut = 0;
    while (cut < text.size()) {
        const std::size_t next = cut + NextUtf8Character(text, cut).length;
        if (next > limit) break;
        cut = next;
    }
    return Escaped(text.substr(0, cut)) + "...";
}

}  // namespace gyrolap
