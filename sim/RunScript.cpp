// SPDX-License-Identifier: MIT
// Running a script through the simulator; see RunScript.h.
#include "sim/RunScript.h"

#include "game/VirtualDriver.h"
#include "sim/BoardText.h"
#include "sim/Playback.h"

namespace gyrolap::sim {

std::string CutNotice(std::size_t lastLine) {
    return "the recording was cut after line " + std::to_string(lastLine) +
           " (the session ended without writing its last lines); played up to there";
}

int RunScript(ScriptSource& script, std::ostream& out, std::ostream& err,
              const ClipboardHandler& onClipboard) {
    VirtualDriver clock(script.Clock());
    ScriptEffects effects(clock, &out, onClipboard);
    Playback playback(script, clock, effects, [&out](std::uint64_t time, const Game& game) {
        out << time << " snap " << DescribeBoard(game.board(), game.MessageOpen()) << '\n';
    });
    try {
        playback.Load();
        playback.RunToEnd();
        script.Finish();
    } catch (const NoRandomLeft&) {
        out.flush();
        err << "gyrolap-sim: no random value left at " << clock.Now() << " ms\n";
        return kExitNoRandom;
    } catch (const ScriptError& error) {
        out.flush();
        err << "gyrolap-sim: " << Describe(error) << '\n';
        return kExitBadScript;
    }
    if (const std::size_t cut = script.CutAfterLine()) {
        out.flush();
        err << "gyrolap-sim: " << CutNotice(cut) << '\n';
    }
    return kExitOk;
}

}  // namespace gyrolap::sim
