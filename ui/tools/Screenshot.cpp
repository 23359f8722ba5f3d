// SPDX-License-Identifier: MIT
// Draws the README's screenshot: the real game window over a game played on the virtual clock
// with fixed random values, rendered off any screen, so the picture is the same on every run.
// Usage: gyrolap-screenshot OUTPUT.png
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QStyleFactory>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "game/Board.h"
#include "game/Game.h"
#include "sim/ScriptSource.h"
#include "sim/BoardText.h"
#include "sim/Playback.h"
#include "sim/ScriptEffects.h"
#include "ui/MainWindow.h"

namespace {

using gyrolap::Board;
using gyrolap::Input;
using gyrolap::kBallCount;
using gyrolap::sim::Playback;

// Long enough for any reveal of a track to finish (32 balls, 50 ms apart).
constexpr std::uint64_t kRevealMs = 1700;

// Plays the game as a player would, looking only at the board: Start when the button says so
// and the track is laid out, one press each time the particle enters the ring.
class Player {
  public:
    explicit Player(Playback& session) : session_(session) {}

    void Load() {
        session_.Load();
        Wait(kRevealMs);
    }

    // Starts a game and plays it without a miss until the current score reads `score`.
    void PlayUntilScore(int score) {
        Press();  // Start
        wasInRing_ = false;
        while (CurrentScore() < score) {
            if (board().cmdAction == gyrolap::kStartCaption) {
                Wait(kRevealMs);  // a finished level lays out the next track first
                Press();
                continue;
            }
            const bool inRing = ParticleInRing();
            if (inRing && !wasInRing_) Press();
            wasInRing_ = inRing;
            Wait(1);
        }
    }

    // Lets the particle run on for `count` steps.
    void Steps(int count) {
        for (int step = 0; step < count; ++step) {
            const int from = Particle();
            while (Particle() == from) Wait(1);
        }
    }

    // Presses with the particle outside the ring, closes the box and waits for the new track.
    void Miss() {
        while (ParticleInRing()) Wait(1);
        Press();
        session_.Deliver(Input::MessageClosed);
        Wait(kRevealMs);
    }

    const Board& board() { return session_.game().board(); }

  private:
    void Wait(std::uint64_t ms) {
        now_ += ms;
        session_.AdvanceTo(now_);
    }
    void Press() { session_.Deliver(Input::Press); }

    int CurrentScore() { return std::atoi(board().lblScores[1].c_str()); }

    // The one lit ball of a run; 0 when none or several are shown.
    int Particle() {
        int shown = 0;
        for (int i = 1; i <= kBallCount; ++i) {
            if (!board().imgBall[static_cast<std::size_t>(i)].visible) continue;
            if (shown != 0) return 0;
            shown = i;
        }
        return shown;
    }

    // The ring picture sits 4 px left of and 3 px above the ball it marks.
    bool ParticleInRing() {
        const int particle = Particle();
        if (particle == 0) return false;
        const gyrolap::Point at = board().imgBall[static_cast<std::size_t>(particle)].pos;
        return at.left == board().imgTarget.left + 4 && at.top == board().imgTarget.top + 3;
    }

    Playback& session_;
    std::uint64_t now_ = 0;
    bool wasInRing_ = false;
};

// Fixed values for the start positions and the ring's extra millisecond, far more than the
// games below draw.
std::vector<float> FixedRandomValues() {
    const float pattern[] = {0.62f, 0.25f, 0.81f, 0.4f, 0.07f, 0.93f, 0.55f, 0.3f};
    std::vector<float> values;
    for (int i = 0; i < 4000; ++i) values.push_back(pattern[i % 8]);
    return values;
}

// Nothing in the environment may change how the picture comes out.
void PinTheRendering() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_QPA_PLATFORMTHEME",
                             "QT_STYLE_OVERRIDE", "QT_FONT_DPI"})
        qunsetenv(name);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gyrolap-screenshot OUTPUT.png\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    PinTheRendering();
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    gyrolap::sim::Script settings;
    settings.randoms = FixedRandomValues();
    std::ostringstream happenings;  // the boxes' texts; the picture needs none of them
    gyrolap::sim::WholeScript script(std::move(settings));
    gyrolap::VirtualDriver clock(script.Clock());
    gyrolap::sim::ScriptEffects effects(clock, &happenings);
    Playback session(script, clock, effects);
    Player player(session);
    try {
        player.Load();
        // Three lost games fill the score board: 31, 23 and 17, average 23.666.
        for (const int score : {23, 31, 17}) {
            player.PlayUntilScore(score);
            player.Miss();
        }
        // The run in the picture: level 4 with nine hits, so the particle is deep red, and a
        // few steps on from the ring so that it stands clear of it.
        player.PlayUntilScore(39);
        player.Steps(11);
    } catch (const gyrolap::sim::NoRandomLeft&) {
        std::fprintf(stderr, "gyrolap-screenshot: the game drew more random values than given\n");
        return 1;
    }

    // The game must have gone as planned, or the picture would show something else.
    const Board& board = player.board();
    const std::array<std::string, 7> scores{"", "39", "31", "23", "17", "23.666", "31"};
    if (board.lblScores != scores || board.cmdAction != gyrolap::kAccelerateCaption) {
        std::fprintf(stderr, "gyrolap-screenshot: the game did not go as planned: %s\n",
                     gyrolap::sim::DescribeBoard(board, false).c_str());
        return 1;
    }

    gyrolap::MainWindow window;
    window.renderBoard(board);
    const QImage picture = window.grab().toImage();
    if (!picture.save(output, "PNG")) {
        std::fprintf(stderr, "gyrolap-screenshot: cannot write \"%s\"\n", qPrintable(output));
        return 1;
    }
    std::printf("saved %s (%dx%d)\n", qPrintable(output), picture.width(), picture.height());
    return 0;
}
