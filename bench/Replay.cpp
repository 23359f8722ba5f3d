// SPDX-License-Identifier: MIT
// What replaying a stranger's recording costs a score keeper: the three hostile recordings at
// full size (a flood of Submit Score clicks under a 4,000-byte date, 3,000,000 wake-ups in one
// millisecond, a 290 MB level 6 run), each fed through a pipe to gyrolap-sim and to
// gyrolap-check --replay as it is made. Prints each tool's peak resident memory and CPU time as
// the kernel measured them, the events replayed per second of CPU, and a summary line.
// Usage: bench_replay [LEVEL6_MB]   (default 290)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/FeedChild.h"
#include "support/HostileRecordings.h"
#include "support/PublishedSubmissions.h"

namespace {

using namespace gyrolap::testing;

struct Recording {
    std::string name;
    std::function<void(const InputSink&)> make;
};

// Counts the bytes and the `at` lines (the events the replay delivers) of what passes.
struct Counted {
    std::uint64_t bytes = 0;
    std::uint64_t events = 0;
    bool lineStart = true;

    void Count(std::string_view piece) {
        bytes += piece.size();
        for (std::size_t i = 0; i < piece.size(); ++i) {
            if (lineStart && piece.compare(i, 3, "at ") == 0) ++events;
            lineStart = piece[i] == '\n';
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t level6Mb = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 290;
    const std::string dir = std::filesystem::path(argv[0]).parent_path().string() + "/../app/";
    const std::string sim = dir + "gyrolap-sim";
    const std::string check = dir + "gyrolap-check";
    const std::string texts = (std::filesystem::temp_directory_path() /
                               ("gyrolap-bench-replay-" + std::to_string(::getpid())))
                                  .string();
    std::ofstream(texts) << kPublishedSubmissions[2].Text() << '\n';
    const std::string limit = std::to_string(level6Mb + 64) + "M";

    const std::vector<Recording> recordings = {
        {"submit-flood", [](const InputSink& sink) { WriteSubmitFlood(sink); }},
        {"wake-flood", [](const InputSink& sink) { WriteWakeFlood(sink); }},
        {"level6", [level6Mb](const InputSink& sink) { WriteLongLevelSix(sink, level6Mb << 20); }},
    };
    std::printf("%-13s %9s %10s  %-13s %9s %8s %12s %6s\n", "recording", "MB", "events", "tool",
                "peak MiB", "CPU s", "events/CPU s", "status");
    double slowest = 1e300;
    std::string peaks;
    long worst = 0;
    for (const Recording& recording : recordings) {
        long peak = 0;
        for (const bool checking : {false, true}) {
            Counted counted;
            const auto feed = [&](const InputSink& sink) {
                recording.make([&](std::string_view piece) {
                    counted.Count(piece);
                    sink(piece);
                });
            };
            const std::vector<std::string> command =
                checking ? std::vector<std::string>{check,      "--max-size", limit,
                                                    "--replay", "/dev/stdin", texts}
                         : std::vector<std::string>{sim, "--max-size", limit};
            const Measured measured = Feed(command, feed);
            const double rate = static_cast<double>(counted.events) / measured.cpuSeconds;
            std::printf("%-13s %9.1f %10llu  %-13s %9.1f %8.2f %12.0f %6d\n",
                        recording.name.c_str(), static_cast<double>(counted.bytes) / 1e6,
                        static_cast<unsigned long long>(counted.events),
                        checking ? "gyrolap-check" : "gyrolap-sim",
                        static_cast<double>(measured.peakKiB) / 1024.0, measured.cpuSeconds, rate,
                        measured.status);
            if (!measured.err.empty()) std::printf("  stderr: %s", measured.err.c_str());
            slowest = std::min(slowest, rate);
            peak = std::max(peak, measured.peakKiB);
        }
        worst = std::max(worst, peak);
        char figure[32];
        std::snprintf(figure, sizeof figure, "%.1f", static_cast<double>(peak) / 1024.0);
        peaks += " " + recording.name + "=" + figure;
    }
    std::filesystem::remove(texts);
    std::printf("\nsummary: peak_mib%s max=%.1f events_per_cpu_s_min=%.0f\n", peaks.c_str(),
                static_cast<double>(worst) / 1024.0, slowest);
    return 0;
}
