// SPDX-License-Identifier: MIT
// Showing text that came from outside (a received submission, a script's words) on a terminal:
// every control and invisible format character escaped, so the bytes cannot steer the terminal
// or reorder what a reader sees, and a field quoted where it could be mistaken for two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gyrolap {

// The next character of `text` from byte `at`: a whole UTF-8 sequence, or one byte that starts
// none (then `valid` is false and `length` is 1).
struct Utf8Character {
    char32_t code = 0;
    std::size_t length = 1;
    bool valid = false;
};
Utf8Character NextUtf8Character(std::string_view text, std::size_t at);

// C0, DEL and C1 controls.
bool IsControl(char32_t code);
// Unicode's invisible format characters (general category Cf): bidi marks and overrides, zero
// width characters, the byte order mark, tags.
bool IsFormat(char32_t code);
// Blanks other than the ASCII space: the no-break and typographic spaces, line and paragraph
// separators. They look like a field break to a reader.
bool IsOtherSpace(char32_t code);

// `text` with a backslash doubled, a double quote written \", every control, format character,
// other space and invalid UTF-8 byte escaped: a byte that is not UTF-8 as \xNN, an ASCII
// control as \xNN, any other such character as \u{N} (hex). Nothing else is changed.
std::string Escaped(std::string_view text);

// Escaped(text), put in double quotes when it is empty or holds a blank or a double quote, so
// that a line of blank-separated fields always splits back into the same fields.
std::string Field(std::string_view text);

// Escaped(text), cut to about `limit` bytes of the input with "..." after it when longer: for
// quoting a piece of untrusted input in a message.
std::string Shortened(std::string_view text, std::size_t limit);

}  // namespace gyrolap
