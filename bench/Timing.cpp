// Plays one long game in the real window twice, once on our sleeping driver and once on the
// classic spinning one, with a player that presses whenever the particle stands in the ring:
// levels 1 to 5, then 100 hits into level 6, then a miss. For every step it records when the
// step was due by the game's own arithmetic (StepStart plus the delay) and when the ball was
// shown, and prints lateness and CPU for both, with the ratios. Needs a display (Xvfb serves).
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "BenchSupport.h"
#include "SpinningDriver.h"
#include "game/Game.h"
#include "ui/MainWindow.h"
#include "ui/QtDriver.h"
#include "ui/QtPlatform.h"

namespace gyrolap::bench {
namespace {

constexpr int kHitsIntoLevel6 = 100;

struct Part {
    std::vector<double> lateMs;
    double cpuStart = 0, cpuEnd = 0;
    std::int64_t wallStart = 0, wallEnd = 0;
    double CpuPerWall() const {
        const double wall = static_cast<double>(wallEnd - wallStart) / 1e9;
        return wall > 0 ? (cpuEnd - cpuStart) / wall : 0;
    }
};

struct Figures {
    Part part[2];  // levels 1-5, level 6
    std::string outcome;
    double CpuWhole() const {
        const double wall = static_cast<double>(part[1].wallEnd - part[0].wallStart) / 1e9;
        return wall > 0 ? (part[1].cpuEnd - part[0].cpuStart) / wall : 0;
    }
};

// Watches the board after every settle, as a player watches the window, and presses.
class Player {
  public:
    Player(Game& game, QtPlatform& platform, QPushButton* action, Figures& figures)
        : game_(game), platform_(platform), action_(action), figures_(figures) {}

    void OnRendered() { lastRender_ = SteadyNs(); }

    void OnSettled() {
        if (done_) return;
        const std::int64_t now = SteadyNs();
        const GameState& s = game_.state();
        const int part = s.Level == 6 ? 1 : 0;

        if (s.Running && s.StepStart != lastStepStart_) {
            if (timing_) {
                // Due when (clock - StepStart) >= StepDelay, on the whole-millisecond clock.
                const std::int64_t nowMs = now / 1'000'000;
                const std::int64_t stepStartMs =
                    nowMs -
                    static_cast<std::uint32_t>(static_cast<std::uint32_t>(nowMs) - lastStepStart_);
                const double dueNs =
                    (static_cast<double>(stepStartMs) + std::ceil(s.StepDelay)) * 1e6;
                figures_.part[part].lateMs.push_back((static_cast<double>(now) - dueNs) / 1e6);
                if (std::getenv("GYROLAP_BENCH_TRACE") && figures_.part[part].lateMs.back() > 1.0)
                    std::fprintf(stderr,
                                 "late %.3f ms: level %d hits %d ball %d delay %.2f, %.3f ms after "
                                 "the last render, %.3f ms after the last press\n",
                                 figures_.part[part].lateMs.back(), s.Level,
                                 static_cast<int>(s.HitCount), s.BallIndex, s.StepDelay,
                                 static_cast<double>(now - lastRender_) / 1e6,
                                 static_cast<double>(now - lastPress_) / 1e6);
            }
            if (part == 1 && figures_.part[1].wallStart == 0) {
                figures_.part[0].cpuEnd = figures_.part[1].cpuStart = CpuSeconds();
                figures_.part[0].wallEnd = figures_.part[1].wallStart = now;
            }
            lastStepStart_ = s.StepStart;
            timing_ = true;
        }

        if (QWidget* box = platform_.OpenMessage()) {
            done_ = true;
            figures_.part[1].cpuEnd = CpuSeconds();
            figures_.part[1].wallEnd = now;
            if (figures_.part[1].wallStart == 0) figures_.part[1].wallStart = now;
            char text[160];
            std::snprintf(text, sizeof text, "%s on level %d after %d hits there",
                          missing_ ? "ended by the planned miss" : "ENDED EARLY by a miss", s.Level,
                          static_cast<int>(s.HitCount));
            figures_.outcome = text;
            QMetaObject::invokeMethod(
                box, [box] { static_cast<QMessageBox*>(box)->accept(); }, Qt::QueuedConnection);
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
            return;
        }

        const bool inRing = s.BallIndex >= 1 && s.RingFlags[static_cast<std::size_t>(s.BallIndex)];
        if (s.Running) {
            started_ = false;
            missing_ = s.Level == 6 && s.HitCount >= kHitsIntoLevel6;
            if (!missing_ && inRing && pressedFor_ != s.StepStart) {
                pressedFor_ = s.StepStart;
                lastPress_ = SteadyNs();
                PostClick(action_);
            } else if (missing_ && !inRing && !missPosted_) {
                missPosted_ = true;
                PostClick(action_);
            }
        } else if (game_.board().cmdAction == kStartCaption && game_.scheduler().Idle() &&
                   !started_) {
            started_ = true;
            timing_ = false;  // the first step of a run has no step before it
            if (figures_.part[0].wallStart == 0) {
                figures_.part[0].cpuStart = CpuSeconds();
                figures_.part[0].wallStart = SteadyNs();
            }
            PostClick(action_);
        }
    }

  private:
    Game& game_;
    QtPlatform& platform_;
    QPushButton* action_;
    Figures& figures_;
    std::uint32_t lastStepStart_ = 0;
    std::uint32_t pressedFor_ = 1;
    bool timing_ = false;
    bool started_ = false;
    bool missing_ = false;
    bool missPosted_ = false;
    bool done_ = false;
    std::int64_t lastRender_ = 0;
    std::int64_t lastPress_ = 0;
};

template <class Driver>
Figures PlayOnce() {
    Figures figures;
    QtPlatform platform;  // the monotonic clock, as the game uses it
    platform.UseRandomSource(FixedRandom());
    Game game(platform);
    MainWindow window(game.board());
    Driver driver(game, platform, window);
    Player player(game, platform, window.findChild<QPushButton*>("cmdAction"), figures);
    QObject::connect(&driver, &Driver::settled, [&player] { player.OnSettled(); });
    if constexpr (requires { &Driver::rendered; })
        QObject::connect(&driver, &Driver::rendered, [&player] { player.OnRendered(); });
    driver.Load();
    QApplication::exec();
    driver.Quit();
    window.hide();
    return figures;
}

// How late the system wakes a thread that sleeps on an absolute deadline, with no Qt at all:
// the floor under any driver that sleeps.
std::vector<double> BareWakeLateness(int count, std::chrono::milliseconds sleep) {
    std::vector<double> late;
    const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    if (fd < 0) return late;
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    for (int i = 0; i < count; ++i) {
        const std::int64_t due = SteadyNs() + std::chrono::nanoseconds(sleep).count();
        itimerspec spec{};
        spec.it_value.tv_sec = static_cast<time_t>(due / 1'000'000'000);
        spec.it_value.tv_nsec = static_cast<long>(due % 1'000'000'000);
        timerfd_settime(fd, TFD_TIMER_ABSTIME, &spec, nullptr);
        std::uint64_t expirations = 0;
        if (::read(fd, &expirations, sizeof expirations) < 0) break;
        late.push_back(static_cast<double>(SteadyNs() - due) / 1e6);
    }
    ::close(fd);
    return late;
}

void PrintRow(const char* driver, const char* name, const Part& part) {
    std::printf("%-9s %-11s %7zu %9.3f %9.3f %9.3f %10.4f\n", driver, name, part.lateMs.size(),
                Percentile(part.lateMs, 0.50), Percentile(part.lateMs, 0.99),
                Percentile(part.lateMs, 1.0), part.CpuPerWall());
}

double Ratio(double ours, double theirs) {
    return theirs != 0 ? ours / theirs : 0;
}

}  // namespace
}  // namespace gyrolap::bench

int main(int argc, char** argv) {
    using namespace gyrolap::bench;
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        std::fprintf(stderr,
                     "bench_timing: running offscreen; use a real display (Xvfb) for figures\n");

    const std::vector<double> bare = BareWakeLateness(200, std::chrono::milliseconds(40));
    const Figures ours = PlayOnce<gyrolap::QtDriver>();

    // --ours-only skips the spinning driver, for quick comparisons of our own settings.
    const bool oursOnly = argc > 1 && std::string_view(argv[1]) == "--ours-only";
    const Figures spin = oursOnly ? Figures{} : PlayOnce<gyrolap::SpinningDriver>();

    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("sleeping driver: %s\nspinning driver: %s\n", ours.outcome.c_str(),
                spin.outcome.c_str());
    std::printf(
        "system floor: a bare 40 ms timerfd sleep wakes late by p50 %.3f, p99 %.3f, max %.3f ms\n",
        Percentile(bare, 0.5), Percentile(bare, 0.99), Percentile(bare, 1.0));
    std::printf("\n%-9s %-11s %7s %9s %9s %9s %10s\n", "driver", "part", "steps", "p50 ms",
                "p99 ms", "max ms", "CPU s/s");
    PrintRow("sleeping", "levels 1-5", ours.part[0]);
    PrintRow("sleeping", "level 6", ours.part[1]);
    PrintRow("spinning", "levels 1-5", spin.part[0]);
    PrintRow("spinning", "level 6", spin.part[1]);
    std::printf("\nwhole game CPU s/s: sleeping %.4f, spinning %.4f\n", ours.CpuWhole(),
                spin.CpuWhole());
    std::printf("ratios sleeping / spinning:\n");
    std::printf("  p99 lateness, levels 1-5: %.2f\n", Ratio(Percentile(ours.part[0].lateMs, 0.99),
                                                            Percentile(spin.part[0].lateMs, 0.99)));
    std::printf("  p99 lateness, level 6:    %.2f\n", Ratio(Percentile(ours.part[1].lateMs, 0.99),
                                                            Percentile(spin.part[1].lateMs, 0.99)));
    std::printf("  CPU, levels 1-5:          %.4f\n",
                Ratio(ours.part[0].CpuPerWall(), spin.part[0].CpuPerWall()));
    std::printf("  CPU, whole game:          %.4f  (spinning uses %.0fx more)\n",
                Ratio(ours.CpuWhole(), spin.CpuWhole()), Ratio(spin.CpuWhole(), ours.CpuWhole()));
    return 0;
}
