// SPDX-License-Identifier: MIT
// The simulator's printed effects; see ScriptEffects.h.
#include "sim/ScriptEffects.h"

#include "submit/SafeText.h"

namespace gyrolap::sim {

void ScriptEffects::ShowMessage(std::string_view title, std::string_view text) {
    if (!out_) return;
    *out_ << clock_.Now() << " box " << Escaped(title) << '|';
    // The box's line breaks are written \n; a backslash of the text itself is written \\, so
    // the two cannot be mistaken for each other.
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find("\r\n", from);
        *out_ << Escaped(text.substr(from, at == std::string_view::npos ? at : at - from));
        if (at == std::string_view::npos) break;
        *out_ << "\\n";
        from = at + 2;
    }
    *out_ << '\n';
}

void ScriptEffects::HandOverSubmission(std::string_view text) {
    // The text holds the script's date: escaped like every field a checker prints.
    if (out_) *out_ << clock_.Now() << " clipboard " << Escaped(text) << '\n';
    if (onClipboard_) onClipboard_(text);
}

}  // namespace gyrolap::sim
