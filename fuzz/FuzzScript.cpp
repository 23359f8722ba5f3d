// SPDX-License-Identifier: MIT
// libFuzzer target: any bytes as a simulator script. Every input is either read into a script
// that keeps the reader's promises, or refused with a line number inside the input and a
// message that is safe to print; never a crash or a hang. The same bytes are then played through
// as a score keeper's check plays them, a recording as it is read: played, cut, or refused with
// a safe message.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "sim/Replay.h"
#include "sim/Script.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsSafeToPrint(std::string_view message) {
    return std::all_of(message.begin(), message.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte != 0x7F;
    });
}

}  // namespace

// Plays the bytes through unseen: whatever comes of it is said safely.
void PlayThrough(const std::string& bytes, std::size_t lines) {
    std::istringstream in(bytes);
    gyrolap::sim::ReplayOptions options;
    options.maxBytes = bytes.size();
    std::size_t texts = 0;
    options.onClipboard = [&texts](std::string_view text) {
        Require(!text.empty());
        ++texts;
    };
    const auto outcome = gyrolap::sim::ReplayThrough(in, options);
    if (!outcome.Played()) {
        Require(!outcome.reason.empty() && IsSafeToPrint(outcome.reason));
        Require(outcome.reason.size() < 200);
    }
    // A cut falls within the lines the input has.
    if (outcome.cutAfterLine)
        Require(*outcome.cutAfterLine >= 1 && *outcome.cutAfterLine <= lines + 1);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // Every LF and every CR may end a line (a CR LF pair counts twice: this is a bound).
    const auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n') +
                                                std::count(bytes.begin(), bytes.end(), '\r'));
    PlayThrough(bytes, lines);
    std::istringstream in(bytes);
    gyrolap::sim::Script script;
    try {
        script = gyrolap::sim::ParseScript(in);
    } catch (const gyrolap::sim::ScriptError& error) {
        // "no 'end' line" names the line after the last one.
        Require(error.line() >= 1 && error.line() <= lines + 2);
        const std::string_view message = error.what();
        Require(!message.empty() && IsSafeToPrint(message));
        // Quoted words are shortened: no message grows with the input.
        Require(message.size() < 200);
        return 0;
    }
    for (const float u : script.randoms) Require(u >= 0.0f && u < 1.0f);
    Require(script.end <= (std::uint64_t{1} << 53));
    const auto byTime = [](const auto& a, const auto& b) { return a.time < b.time; };
    Require(std::is_sorted(script.events.begin(), script.events.end(), byTime));
    Require(std::is_sorted(script.dateChanges.begin(), script.dateChanges.end(), byTime));
    for (std::size_t k = 0; k < script.events.size(); ++k) {
        const auto& event = script.events[k];
        Require(event.line >= 1 && event.line <= lines + 1);
        // Within one millisecond the script's order stands.
        if (k > 0 && script.events[k - 1].time == event.time) {
            Require(script.events[k - 1].line < event.line);
        }
        if (script.recorded) Require(event.time <= script.end);
    }
    for (const auto& change : script.dateChanges) {
        Require(!change.text.empty() && change.text.back() != '\r');
        if (script.recorded) Require(change.time <= script.end);
    }
    return 0;
}
