// SPDX-License-Identifier: MIT
// The system's own wake-up, measured in a process of its own: a bare thread sleeps 1 ms at a
// time on absolute deadlines until told to stop (SIGTERM or SIGINT) or for a given time, and
// says how late it woke. Run beside a timing bench, in the same minutes, it tells what the
// machine gave any sleeping thread meanwhile; with --realtime its thread asks for real-time
// scheduling as the game's does.
#include <signal.h>

#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "BenchSupport.h"
#include "FloorSampler.h"
#include "game/GameState.h"
#include "realtime/RealtimeRequest.h"

namespace {

constexpr const char* kUsage =
    "usage: bench_floor [--seconds N] [--realtime]\n"
    "       bench_floor --help | --version\n"
    "Sleeps 1 ms at a time on absolute deadlines until SIGTERM or SIGINT, or for N seconds\n"
    "(1 to 3600), and prints how late it woke, in one line.\n"
    "  --realtime  the sleeping thread asks for real-time scheduling as the game's does\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace gyrolap::bench;
    long seconds = 0;  // until told to stop
    bool realtime = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("bench_floor %s\n", gyrolap::kVersionText);
            return 0;
        }
        if (arg == "--realtime") {
            realtime = true;
            continue;
        }
        if (arg == "--seconds" && i + 1 < argc) {
            if (const auto value = WholeNumber(argv[i + 1], 1, 3600)) {
                seconds = *value;
                ++i;
                continue;
            }
        }
        std::fprintf(stderr, "bench_floor: bad argument %s\n%s", argv[i], kUsage);
        return 2;
    }
    // The signals that end the measure are taken here, by the main thread alone.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    // RealtimeKit is asked through Qt's D-Bus, which needs the application object.
    QCoreApplication app(argc, argv);

    std::vector<double> lateMs;
    std::vector<Stall> stalls;
    gyrolap::realtime::Outcome priority;
    priority.reason = "not asked";
    const double load = LoadAverage();
    const double stealBefore = StealMs();
    const std::int64_t startNs = SteadyNs();
    {
        FloorSampler floor(lateMs, &stalls, [realtime, &priority] {
            if (realtime) priority = gyrolap::realtime::MakeThisThreadRealtime();
        });
        if (seconds > 0) {
            const timespec limit{static_cast<time_t>(seconds), 0};
            while (sigtimedwait(&stop, nullptr, &limit) < 0 && errno == EINTR) {
            }
        } else {
            int signal = 0;
            sigwait(&stop, &signal);
        }
    }
    const double steal = StealMs() - stealBefore;
    std::printf(
        "floor: seconds=%.1f priority=%s wakeups=%zu p50_ms=%.3f p99_ms=%.3f max_ms=%.3f "
        "late_over_5ms=%zu steal_ms=%.0f loadavg_at_start=%.2f\n",
        static_cast<double>(SteadyNs() - startNs) / 1e9,
        gyrolap::realtime::IsRealtime(priority) ? "realtime" : "normal", lateMs.size(),
        Percentile(lateMs, 0.50), Percentile(lateMs, 0.99), Percentile(lateMs, 1.0), stalls.size(),
        steal, load);
    if (realtime) std::printf("floor thread: %s\n", gyrolap::realtime::Describe(priority).c_str());
    PrintStalls(realtime ? "real-time floor wake-ups" : "floor wake-ups", stalls);
    return 0;
}
