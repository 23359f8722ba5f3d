// SPDX-License-Identifier: MIT
// 1,000 quick games in the real window, in one process. Each game is a Start, then a press
// outside the ring; the bench accepts the miss message, and the next Start lands during the
// layout animation that follows, so every game stays suspended under the next: the deepest
// nesting a player can build. Prints games played, peak memory, memory per game and the
// deepest native stack the game's handlers ran on. Needs a display (Xvfb serves).
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "game/CoroutineFrames.h"
#include "game/Game.h"
#include "ui/LiveDriver.h"
#include "ui/MainWindow.h"
#include "ui/QtEffects.h"

namespace {

// The top of the game thread's stack, as its loop first reads the clock; and the deepest the
// handlers went below it. Both only touched on the game's thread, read once it has stopped.
const char* stackTop = nullptr;
std::atomic<std::size_t> deepestStack{0};

// Called from inside the game's handlers (every Start draws), so the depth seen here is the
// depth the handlers run at.
void NoteStackDepth() {
    char here = 0;
    const auto depth = static_cast<std::size_t>(stackTop - &here);
    if (depth > deepestStack) deepestStack = depth;
}

// The steady clock, noting the top of the game thread's stack as its loop first reads it.
class StackClock final : public gyrolap::GameClock {
  public:
    std::uint64_t Now() override {
        char here = 0;
        if (!stackTop) stackTop = &here;
        return steady_.Now();
    }
    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
              const std::atomic<bool>& pending, std::optional<std::uint64_t> wake) override {
        steady_.Wait(lock, wakeUp, pending, wake);
    }

  private:
    gyrolap::SteadyClock steady_;
};

// Fixed random values, each draw noting how deep the handlers run.
class StackSources final : public gyrolap::Sources {
  public:
    float NextRandom() override {
        NoteStackDepth();
        return random_();
    }
    std::string ShortDate() override { return "5/16/2001"; }

  private:
    gyrolap::bench::FixedRandom random_;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace gyrolap;
    QApplication app(argc, argv);
    const long games = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
    if (games < 100) {
        std::fprintf(stderr, "bench_endurance: play at least 100 games\n");
        return 2;
    }

    StackSources sources;
    StackClock clock;
    MainWindow window;
    QtEffects effects(window);
    Game game(sources, effects);
    LiveDriver driver(game, clock, effects, window);
    QPushButton* action = window.findChild<QPushButton*>("cmdAction");

    long played = 0;
    long rssAt100 = 0;
    std::size_t framesAt100 = 0;
    std::size_t framesAtEnd = 0;
    std::size_t stackAt[3] = {0, 0, 0};  // after 10, 100 and all games
    bool startPosted = false;
    bool missPosted = false;
    bool ended = false;

    QObject::connect(&driver, &WindowDriver::snapshotArrived, [&] {
        if (ended) return;
        if (driver.LatestSnapshot().messageOpen) {
            if (missPosted && startPosted == false) return;  // this box was counted already
            ++played;
            if (played == 10) stackAt[0] = deepestStack;
            if (std::getenv("GYROLAP_BENCH_TRACE") && played % 100 == 0)
                std::fprintf(
                    stderr,
                    "after %ld games: RSS %ld KiB, frames %zu bytes, %lld top-level widgets\n",
                    played, bench::CurrentRssKiB(), CoroutineFrames::BytesInUse(),
                    static_cast<long long>(QApplication::topLevelWidgets().size()));
            if (played == 100) {
                stackAt[1] = deepestStack;
                rssAt100 = bench::CurrentRssKiB();
                framesAt100 = CoroutineFrames::BytesInUse();
            }
            startPosted = false;
            missPosted = true;
            // The box comes as a queued call of its own, maybe just after this frame.
            QMetaObject::invokeMethod(
                &window,
                [&effects, &missPosted] {
                    missPosted = false;
                    if (auto* box = static_cast<QMessageBox*>(effects.OpenMessage())) box->accept();
                },
                Qt::QueuedConnection);
            if (played == games) {
                ended = true;
                stackAt[2] = deepestStack;
                framesAtEnd = CoroutineFrames::BytesInUse();
                QMetaObject::invokeMethod(
                    &window, [&window] { window.close(); }, Qt::QueuedConnection);
            }
            return;
        }
        const GameState& s = driver.LatestSnapshot().state;
        if (driver.LatestSnapshot().board.cmdAction == kStartCaption && !startPosted) {
            startPosted = true;  // during the animation, except for the very first game
            bench::PostClick(action);
        } else if (s.Running && !missPosted) {
            missPosted = true;  // the particle starts on 2..9, never in the ring of level 1
            bench::PostClick(action);
        }
    });

    std::size_t deepestNesting = 0;
    QObject::connect(&driver, &WindowDriver::snapshotArrived, [&] {
        deepestNesting = std::max(deepestNesting, driver.LatestSnapshot().depth);
    });
    driver.Start();
    const int status = QApplication::exec();
    // The game's thread ends before the game is looked at.
    driver.Quit();
    const long rssEnd = bench::CurrentRssKiB();

    std::printf("platform:                  %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("games played:              %ld\n", played);
    std::printf("deepest nesting:           %zu suspended activities\n", deepestNesting);
    std::printf("peak memory (max RSS):     %ld KiB\n", bench::PeakRssKiB());
    std::printf("memory per game (RSS):     %.0f bytes (games 100 to %ld)\n",
                static_cast<double>(rssEnd - rssAt100) * 1024.0 / static_cast<double>(games - 100),
                games);
    std::printf("coroutine frames per game: %.0f bytes\n",
                static_cast<double>(framesAtEnd - framesAt100) / static_cast<double>(games - 100));
    std::printf(
        "deepest native stack:      %zu bytes after 10 games, %zu after 100, %zu after %ld\n",
        stackAt[0], stackAt[1], stackAt[2], games);
    std::printf("ended cleanly:             %s (exit status %d, %zu activities left)\n",
                status == 0 && played == games && game.scheduler().Idle() ? "yes" : "NO", status,
                game.scheduler().Depth());
    return status == 0 && played == games ? 0 : 1;
}
