// SPDX-License-Identifier: MIT
// The scripted platform and the replay loop; see Simulator.h.
#include "sim/Simulator.h"

#include <limits>

#include "game/Game.h"
#include "game/VirtualDriver.h"
#include "sim/Playback.h"
#include "submit/SafeText.h"

namespace gyrolap::sim {

std::string ScriptPlatform::ShortDate() {
    return source_.Date(clock_.Now());
}

void ScriptPlatform::HandOverSubmission(std::string_view text) {
    // The text holds the script's date: escaped like every field a checker prints.
    if (out_) *out_ << clock_.Now() << " clipboard " << Escaped(text) << '\n';
    if (onClipboard_) onClipboard_(text);
}

namespace {

void ShowMessageLine(std::ostream& out, std::string_view title, std::string_view text) {
    out << Escaped(title) << '|';
    // The box's line breaks are written \n; a backslash of the text itself is written \\, so
    // the two cannot be mistaken for each other.
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find("\r\n", from);
        out << Escaped(text.substr(from, at == std::string_view::npos ? at : at - from));
        if (at == std::string_view::npos) break;
        out << "\\n";
        from = at + 2;
    }
}

}  // namespace

void ScriptPlatform::ShowMessage(std::string_view title, std::string_view text) {
    if (!out_) return;
    *out_ << clock_.Now() << " box ";
    ShowMessageLine(*out_, title, text);
    *out_ << '\n';
}

std::string DescribeBoard(const Board& board, bool messageOpen) {
    std::string line = "cap=" + board.cmdAction + " shown=";
    bool any = false;
    for (int i = 1; i <= kBallCount; ++i) {
        if (!board.imgBall[static_cast<std::size_t>(i)].visible) continue;
        if (any) line += ',';
        line += std::to_string(i);
        any = true;
    }
    if (!any) line += '-';
    line += " pics=";
    for (int i = 1; i <= kBallCount; ++i) {
        if (i > 1) line += ',';
        line += std::to_string(board.imgBall[static_cast<std::size_t>(i)].picture);
    }
    auto point = [](Point p) { return std::to_string(p.left) + ':' + std::to_string(p.top); };
    line += " pos=";
    for (int i = 1; i <= kBallCount; ++i) {
        if (i > 1) line += ',';
        line += point(board.imgBall[static_cast<std::size_t>(i)].pos);
    }
    line += " ring=" + point(board.imgTarget);
    line += " temp=" + point(board.lblScoreTempPos) + ":\"" + board.lblScoreTemp + '"';
    line += " marker=" + point(board.shapeCurrentPath);
    line += " scores=";
    for (int i = 1; i <= kScoreLabelCount; ++i) {
        if (i > 1) line += '|';
        line += board.lblScores[static_cast<std::size_t>(i)];
    }
    line += messageOpen ? " box=1" : " box=0";
    return line;
}

Session::Session(const Script& settings, std::ostream& out)
    : out_(out),
      source_(std::make_unique<WholeScript>(settings)),
      driver_(std::make_unique<VirtualDriver>(settings.clock)),
      platform_(std::make_unique<ScriptPlatform>(*source_, *driver_, &out)),
      game_(std::make_unique<Game>(*platform_, *platform_)) {}

// The game goes first: its suspended handlers are destroyed while the platform still exists.
Session::~Session() {
    game_.reset();
}

void Session::Load() {
    driver_->Load(*game_);
}

void Session::AdvanceTo(std::uint64_t time) {
    // A recording says when the window's timer woke the game; nothing else ends a wait.
    driver_->AdvanceTo(*game_, time, !source_->Recorded());
}

std::uint64_t Session::Now() const {
    return driver_->Now();
}

bool Session::MessageOpen() const {
    return game_->MessageOpen();
}

void Session::Deliver(Input input) {
    driver_->Deliver(*game_, input);
}

void Session::Snap() {
    out_ << Now() << " snap " << DescribeBoard(game_->board(), MessageOpen()) << '\n';
}

std::string CutNotice(std::size_t lastLine) {
    return "the recording was cut after line " + std::to_string(lastLine) +
           " (the session ended without writing its last lines); played up to there";
}

int RunScript(ScriptSource& source, std::ostream& out, std::ostream& err,
              const ClipboardHandler& onClipboard) {
    VirtualDriver driver(source.Clock());
    ScriptPlatform platform(source, driver, &out, onClipboard);
    Game game(platform, platform);
    Playback playback(source, game, driver, [&](std::uint64_t time) {
        out << time << " snap " << DescribeBoard(game.board(), game.MessageOpen()) << '\n';
    });
    try {
        playback.Load();
        playback.RunTo(std::numeric_limits<std::uint64_t>::max());
        source.Finish();
    } catch (const NoRandomLeft&) {
        out.flush();
        err << "gyrolap-sim: no random value left at " << driver.Now() << " ms\n";
        return kExitNoRandom;
    } catch (const ScriptError& error) {
        out.flush();
        err << "gyrolap-sim: " << Describe(error) << '\n';
        return kExitBadScript;
    }
    if (const std::size_t cut = source.CutAfterLine()) {
        out.flush();
        err << "gyrolap-sim: " << CutNotice(cut) << '\n';
    }
    return kExitOk;
}

}  // namespace gyrolap::sim
