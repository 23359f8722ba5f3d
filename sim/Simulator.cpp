// The scripted platform and the replay loop; see Simulator.h.
#include "sim/Simulator.h"

#include <deque>
#include <stdexcept>

#include "game/Game.h"
#include "game/VirtualDriver.h"

namespace gyrolap::sim {

// Everything the game asks of its host, answered from the script; what the window would show
// is printed, each line stamped with the virtual time.
class ScriptPlatform final : public Platform {
  public:
    ScriptPlatform(const VirtualDriver& driver, const Script& script, std::ostream& out)
        : driver_(driver),
          date_(script.date),
          randoms_(script.randoms.begin(), script.randoms.end()),
          out_(out) {}

    std::uint32_t Clock() override { return driver_.Clock(); }
    // Re-seeding from the time of day means nothing when the values come from the script.
    void ReseedRandom() override {}
    float NextRandom() override {
        if (randoms_.empty()) throw NoRandomLeft();
        float value = randoms_.front();
        randoms_.pop_front();
        return value;
    }
    std::string ShortDate() override { return date_; }
    void SetClipboardText(std::string_view text) override {
        out_ << driver_.Now() << " clipboard " << text << '\n';
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
        messageOpen_ = true;
    }
    void OpenUrl(std::string_view) override {}
    void FocusActionButton() override {}

    bool MessageOpen() const noexcept { return messageOpen_; }
    void CloseMessage() noexcept { messageOpen_ = false; }

  private:
    const VirtualDriver& driver_;
    std::string date_;
    std::deque<float> randoms_;
    std::ostream& out_;
    bool messageOpen_ = false;
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
      driver_(std::make_unique<VirtualDriver>(settings.clock)),
      platform_(std::make_unique<ScriptPlatform>(*driver_, settings, out)),
      game_(std::make_unique<Game>(*platform_)) {}

// The game goes first: its suspended handlers are destroyed while the platform still exists.
Session::~Session() {
    game_.reset();
}

void Session::Load() {
    game_->PrepareLoad();
    game_->OnLoad();
}

void Session::AdvanceTo(std::uint64_t time) {
    driver_->AdvanceTo(game_->scheduler(), time);
}

std::uint64_t Session::Now() const {
    return driver_->Now();
}

bool Session::MessageOpen() const {
    return platform_->MessageOpen();
}

void Session::Deliver(EventKind kind) {
    switch (kind) {
        case EventKind::Press:
            // A message box blocks the window: presses and clicks do not reach it.
            if (!platform_->MessageOpen()) game_->OnActionPress();
            break;
        case EventKind::Submit:
            if (!platform_->MessageOpen()) game_->OnSubmitClick();
            break;
        case EventKind::Ok:
            if (platform_->MessageOpen()) {
                platform_->CloseMessage();
                game_->scheduler().MessageClosed();
            }
            break;
        case EventKind::Snap:
            out_ << Now() << " snap " << DescribeBoard(game_->board(), MessageOpen()) << '\n';
            break;
        case EventKind::Wake:
            // The clock has reached the time already; the game's own waits ran on it.
            break;
    }
    game_->scheduler().Settle();
}

int RunScript(const Script& script, std::ostream& out, std::ostream& err) {
    Session session(script, out);
    try {
        session.Load();
        for (const ScriptEvent& event : script.events) {
            if (event.time > script.end) break;
            session.AdvanceTo(event.time);
            session.Deliver(event.kind);
        }
        session.AdvanceTo(script.end);
    } catch (const NoRandomLeft&) {
        out.flush();
        err << "gyrolap-sim: no random value left at " << session.Now() << " ms\n";
        return kExitNoRandom;
    }
    return kExitOk;
}

}  // namespace gyrolap::sim
