// SPDX-License-Identifier: MIT
// Shared by the window benches: clocks, CPU time, memory, a fixed random sequence and a
// synthetic press on the action button, posted the way the window system delivers one.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace gyrolap::bench {

inline std::int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

inline double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The time, in milliseconds since boot, that the machine's host ran something else while this
// virtual machine's processors had work: no thread of ours, whatever its priority, runs then.
inline double StealMs() {
    unsigned long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0,
                       steal = 0;
    if (std::FILE* f = std::fopen("/proc/stat", "r")) {
        if (std::fscanf(f, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &user, &nice, &system,
                        &idle, &iowait, &irq, &softirq, &steal) != 8)
            steal = 0;
        std::fclose(f);
    }
    return static_cast<double>(steal) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The load average over the last minute.
inline double LoadAverage() {
    double load = 0;
    return getloadavg(&load, 1) == 1 ? load : -1;
}

inline long PeakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

inline long CurrentRssKiB() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

// The same values on every run, so that both drivers play the same game.
class FixedRandom {
  public:
    float operator()() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<float>((state_ >> 40) & 0xFFFFFF) / 16777216.0f;
    }

  private:
    std::uint64_t state_ = 20010516;
};

// A mouse button going down and up on the button, queued like input from the window system.
inline void PostClick(QWidget* target) {
    const QPointF at(5, 5);
    QCoreApplication::postEvent(
        target, new QMouseEvent(QEvent::MouseButtonPress, at, target->mapToGlobal(at),
                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        target, new QMouseEvent(QEvent::MouseButtonRelease, at, target->mapToGlobal(at),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

// A wake-up more than kStallMs late, and when: on the steady clock, which every process of the
// machine shares, so that stalls seen by two processes in the same minutes can be matched.
constexpr double kStallMs = 5.0;
struct Stall {
    std::int64_t atNs = 0;
    double lateMs = 0;
};

// One line: the first stalls of `stalls`, as seconds on the steady clock and how late.
inline void PrintStalls(const char* who, const std::vector<Stall>& stalls) {
    std::printf("%s more than %.0f ms late (steady clock s, late ms):", who, kStallMs);
    constexpr std::size_t kShown = 12;
    for (std::size_t i = 0; i < stalls.size() && i < kShown; ++i)
        std::printf(" %.3f/%.1f", static_cast<double>(stalls[i].atNs) / 1e9, stalls[i].lateMs);
    if (stalls.size() > kShown) std::printf(" and %zu more", stalls.size() - kShown);
    std::printf("%s\n", stalls.empty() ? " none" : "");
}

// A whole number written in full, from `low` to `high`: a bench's option value.
inline std::optional<long> WholeNumber(const char* text, long low, long high) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value < low || value > high) return std::nullopt;
    return value;
}

inline double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index =
        static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

}  // namespace gyrolap::bench
