// SPDX-License-Identifier: MIT
// 10,000 games in one process on the virtual clock, each lost by the lap limit and followed by
// a Start during the reset's layout animation, so every game stays suspended under the next:
// the deepest nesting a player can build. Prints games played, peak memory, memory per game
// and the deepest native stack the handlers ran on.
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/CoroutineFrames.h"
#include "game/Game.h"
#include "game/VirtualDriver.h"

namespace {

long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long CurrentRssKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

// The handlers draw at every Start and show the box from inside the run loop: the deepest native
// stack seen there is the deepest the game ever runs on.
const char* stackTop = nullptr;
std::size_t deepestStack = 0;

void NoteStackDepth() {
    char here = 0;
    const auto depth = static_cast<std::size_t>(stackTop - &here);
    if (depth > deepestStack) deepestStack = depth;
}

class BenchPorts final : public gyrolap::Sources, public gyrolap::Effects {
  public:
    void ReseedRandom() override { NoteStackDepth(); }
    float NextRandom() override { return 0.0f; }  // start 1: the lap limit ends every game
    std::string ShortDate() override { return "5/16/2001"; }
    void ShowMessage(std::string_view, std::string_view) override { NoteStackDepth(); }
};

}  // namespace

int main(int argc, char** argv) {
    const long games = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    if (games < 1000) {
        std::fprintf(stderr, "bench_core_endurance: play at least 1000 games\n");
        return 2;
    }
    char top = 0;
    stackTop = &top;

    gyrolap::VirtualDriver driver(0xFFFF0000u);  // the clock wraps early in the run
    BenchPorts ports;
    gyrolap::Game game(ports, ports);
    auto& scheduler = game.scheduler();
    driver.Load(game);
    driver.AdvanceTo(game, 1600);

    std::uint64_t t = 1600;
    long rssAfterWarmUp = 0;
    std::size_t framesAfterWarmUp = 0;
    for (long played = 0; played < games; ++played) {
        if (played == 1000) {
            rssAfterWarmUp = CurrentRssKiB();
            framesAfterWarmUp = gyrolap::CoroutineFrames::BytesInUse();
        }
        driver.AdvanceTo(game, t);
        driver.Deliver(game, gyrolap::Input::Press);  // Start on the animating track
        driver.AdvanceTo(game, t + 3200);
        if (!game.MessageOpen()) {
            std::fprintf(stderr, "game %ld did not end by the lap limit\n", played + 1);
            return 1;
        }
        driver.Deliver(game, gyrolap::Input::MessageClosed);
        t += 3700;  // the next Start lands 500 ms into the reset's animation
    }
    const std::size_t depth = scheduler.Depth();
    const long rssEnd = CurrentRssKiB();
    const std::size_t framesEnd = gyrolap::CoroutineFrames::BytesInUse();

    // Let the last animation run out: every suspended game unwinds, one step each.
    driver.AdvanceTo(game, t + 1200 + static_cast<std::uint64_t>(games) * 100);
    const bool unwound = scheduler.Idle();

    std::printf("games played:              %ld\n", games);
    std::printf("suspended activities:      %zu\n", depth);
    std::printf("peak memory (max RSS):     %ld KiB\n", PeakRssKiB());
    std::printf(
        "memory per game (RSS):     %.0f bytes (over the last %ld games)\n",
        static_cast<double>(rssEnd - rssAfterWarmUp) * 1024.0 / static_cast<double>(games - 1000),
        games - 1000);
    std::printf(
        "coroutine frames per game: %.0f bytes\n",
        static_cast<double>(framesEnd - framesAfterWarmUp) / static_cast<double>(games - 1000));
    std::printf("deepest native stack:      %zu bytes\n", deepestStack);
    std::printf("all games unwound:         %s\n", unwound ? "yes" : "NO");
    return unwound ? 0 : 1;
}
