// SPDX-License-Identifier: MIT
// The scripted platform and the replay loop; see Simulator.h.
#include "sim/Simulator.h"

#include <sstream>
#include <stdexcept>

#include "game/Game.h"
#include "game/VirtualDriver.h"
#include "sim/Playback.h"
#include "sim/ScriptAnswers.h"

namespace gyrolap::sim {

// Everything the game asks of its host, answered from the script; what the window would show
// is printed, each line stamped with the virtual time.
class ScriptPlatform final : public Platform {
  public:
    ScriptPlatform(const VirtualDriver& driver, const Script& script, std::ostream& out)
        : driver_(driver), answers_(script, driver), out_(out) {}

    // Re-seeding from the time of day means nothing when the values come from the script.
    void ReseedRandom() override {}
    float NextRandom() override { return answers_.NextRandom(); }
    std::string ShortDate() override { return answers_.Date(); }
    void SetClipboardText(std::string_view text) override {
        out_ << driver_.Now() << " clipboard " << text << '\n';
        clipboard_.emplace_back(text);
    }
    void ShowMessage(std::string_view title, std::string_view text) override {
        out_ << driver_.Now() << " box " << title << '|';
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text.compare(i, 2, "\r\n") == 0) {
                out_ << "\\n";
                ++i;
            } else {
                out_ << text[i];
            }
        }
        out_ << '\n';
    }
    void OpenUrl(std::string_view) override {}
    void FocusActionButton() override {}

    const std::vector<std::string>& Clipboard() const noexcept { return clipboard_; }

  private:
    const VirtualDriver& driver_;
    ScriptAnswers answers_;
    std::ostream& out_;
    std::vector<std::string> clipboard_;
};

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
      recorded_(settings.recorded),
      driver_(std::make_unique<VirtualDriver>(settings.clock)),
      platform_(std::make_unique<ScriptPlatform>(*driver_, settings, out)),
      game_(std::make_unique<Game>(*platform_)) {}

// The game goes first: its suspended handlers are destroyed while the platform still exists.
Session::~Session() {
    game_.reset();
}

void Session::Load() {
    game_->PrepareLoad();
    driver_->Load(*game_);
}

void Session::AdvanceTo(std::uint64_t time) {
    // A recording says when the window's timer woke the game; nothing else ends a wait.
    driver_->AdvanceTo(*game_, time, !recorded_);
}

std::uint64_t Session::Now() const {
    return driver_->Now();
}

bool Session::MessageOpen() const {
    return game_->MessageOpen();
}

const std::vector<std::string>& Session::Clipboard() const {
    return platform_->Clipboard();
}

void Session::Deliver(EventKind kind) {
    if (const auto input = InputFor(kind))
        driver_->Deliver(*game_, *input);
    else
        Snap();
}

void Session::Snap() {
    out_ << Now() << " snap " << DescribeBoard(game_->board(), MessageOpen()) << '\n';
}

namespace {

// Plays the whole script on the session; why it stopped early, or nothing.
std::string PlayToEnd(const Script& script, Session& session) {
    Playback playback(script, session.game(), session.driver(),
                      [&session](std::uint64_t) { session.Snap(); });
    try {
        playback.Load();
        playback.RunTo(script.end);
    } catch (const NoRandomLeft&) {
        return "no random value left at " + std::to_string(session.Now()) + " ms";
    }
    return {};
}

}  // namespace

int RunScript(const Script& script, std::ostream& out, std::ostream& err,
              std::vector<std::string>* clipboard) {
    Session session(script, out);
    if (const std::string failure = PlayToEnd(script, session); !failure.empty()) {
        out.flush();
        err << "gyrolap-sim: " << failure << '\n';
        return kExitNoRandom;
    }
    if (clipboard) *clipboard = session.Clipboard();
    return kExitOk;
}

PlayedThrough PlayThrough(const Script& script) {
    std::ostringstream unseen;
    Session session(script, unseen);
    PlayedThrough played;
    played.failure = PlayToEnd(script, session);
    played.clipboard = session.Clipboard();
    return played;
}

}  // namespace gyrolap::sim
