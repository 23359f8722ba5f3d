// SPDX-License-Identifier: MIT
// Running a script through the simulator, as gyrolap-sim does: every happening printed as the
// window would show it, and what went wrong said on the error stream.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

#include "sim/ScriptEffects.h"
#include "sim/ScriptSource.h"

namespace gyrolap::sim {

// Exit statuses of gyrolap-sim.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadScript = 2;
inline constexpr int kExitNoRandom = 3;

// Plays the script, writing one line per happening to `out`. Returns kExitOk; kExitNoRandom
// when the game draws more random values than the script gives, or kExitBadScript when a
// recording turns out to hold a bad line as it plays, each after a message on `err` (the
// lines before it are printed). A recording cut short plays up to its cut, and `err` says so.
int RunScript(ScriptSource& script, std::ostream& out, std::ostream& err,
              const ClipboardHandler& onClipboard = {});

// What the error stream says of a recording that stops without its `end` line.
std::string CutNotice(std::size_t lastLine);

}  // namespace gyrolap::sim
