// SPDX-License-Identifier: MIT
// Plays one long game in the real window twice, once with the game's thread sleeping until each
// wait ends and once with it spinning on the clock, with a player that presses whenever the
// window shows the particle in the ring: levels 1 to 5, then 100 hits into level 6, then a
// miss. It measures, at the same moments:
// - how late every step of the run came, against the instant the game's whole-millisecond
//   clock made it due (StepStart plus the delay);
// - how late a bare thread wakes from 1 ms timerfd sleeps meanwhile: the system's floor;
// - how long the window took to paint each frame;
// - how long a press took from entering the process's event queue to being judged;
// - the CPU the process used. Needs a display (Xvfb serves).
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "BenchSupport.h"
#include "SpinningClock.h"
#include "game/Clock.h"
#include "game/Game.h"
#include "ui/LiveDriver.h"
#include "ui/MainWindow.h"
#include "ui/QtEffects.h"

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
    std::vector<double> floorMs, paintMs, inputMs;
    std::string outcome;
    double CpuWhole() const {
        const double wall = static_cast<double>(part[1].wallEnd - part[0].wallStart) / 1e9;
        return wall > 0 ? (part[1].cpuEnd - part[0].cpuStart) / wall : 0;
    }
};

// The game thread's own clock and wait, watched from that thread: a wait armed during a run is
// a step, and when it ends by its deadline the step comes that late.
class WatchedClock final : public GameClock {
  public:
    WatchedClock(GameClock& inner, const Game& game, Figures& figures, std::mutex& lock)
        : inner_(inner), game_(game), figures_(figures), lock_(lock) {}
    std::uint64_t Now() override { return inner_.Now(); }
    void Wait(std::unique_lock<std::mutex>& lock, std::condition_variable& wakeUp,
              const std::atomic<bool>& pending, std::optional<std::uint64_t> wake) override {
        const bool step = wake && game_.state().Running;
        const int part = game_.state().Level == 6 ? 1 : 0;
        inner_.Wait(lock, wakeUp, pending, wake);
        if (!step) return;
        const std::int64_t now = SteadyNs();
        const auto due = static_cast<std::int64_t>(*wake) * 1'000'000;
        if (now < due) return;  // woken by an input; the wait goes on
        std::lock_guard guard(lock_);
        figures_.part[part].lateMs.push_back(static_cast<double>(now - due) / 1e6);
    }

  private:
    GameClock& inner_;
    const Game& game_;
    Figures& figures_;
    std::mutex& lock_;
};

// The same values every run, so both waits play the very same game.
class FixedSources final : public Sources {
  public:
    float NextRandom() override { return random_(); }
    std::string ShortDate() override { return "5/16/2001"; }

  private:
    FixedRandom random_;
};

// When each press went into the event queue, and when the game judged it.
class PressTimes final : public SessionLog {
  public:
    void Posted() {
        std::lock_guard guard(lock_);
        posted_.push_back(SteadyNs());
    }
    void Started(std::uint32_t, std::string_view) override {}
    void Delivered(std::uint64_t, Input input) override {
        if (input != Input::Press) return;
        std::lock_guard guard(lock_);
        if (posted_.empty()) return;
        delays.push_back(static_cast<double>(SteadyNs() - posted_.front()) / 1e6);
        posted_.pop_front();
    }
    void Drew(float) override {}
    void ReadDate(std::uint64_t, std::string_view) override {}
    void Finished(std::uint64_t, const Board&, bool) override {}

    std::vector<double> delays;  // read once the game has stopped

  private:
    std::mutex lock_;
    std::deque<std::int64_t> posted_;
};

// Times the window's painting: each update request (the widgets' repaint and the flush to the
// screen) is handled here, between two clock readings.
class PaintTimer final : public QObject {
  public:
    explicit PaintTimer(std::vector<double>& paintMs) : paintMs_(paintMs) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::UpdateRequest || busy_) return false;
        busy_ = true;
        const std::int64_t start = SteadyNs();
        watched->event(event);
        paintMs_.push_back(static_cast<double>(SteadyNs() - start) / 1e6);
        busy_ = false;
        return true;
    }

  private:
    std::vector<double>& paintMs_;
    bool busy_ = false;
};

// How late the system wakes a bare thread from 1 ms sleeps on an absolute deadline, sampled on
// a thread of its own for as long as it runs: the floor under any driver that sleeps.
class FloorSampler {
  public:
    explicit FloorSampler(std::vector<double>& lateMs)
        : lateMs_(lateMs), thread_([this] { Run(); }) {}
    ~FloorSampler() {
        stop_ = true;
        thread_.join();
    }

    // The CPU time the sampler itself has used: not the game's, so the figures leave it out.
    double CpuSeconds() {
        clockid_t clock{};
        timespec used{};
        if (pthread_getcpuclockid(thread_.native_handle(), &clock) != 0 ||
            clock_gettime(clock, &used) != 0)
            return 0;
        return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
    }

  private:
    void Run() {
        const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
        if (fd < 0) return;
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        while (!stop_) {
            const std::int64_t due = SteadyNs() + 1'000'000;
            itimerspec spec{};
            spec.it_value.tv_sec = static_cast<time_t>(due / 1'000'000'000);
            spec.it_value.tv_nsec = static_cast<long>(due % 1'000'000'000);
            timerfd_settime(fd, TFD_TIMER_ABSTIME, &spec, nullptr);
            std::uint64_t expirations = 0;
            if (::read(fd, &expirations, sizeof expirations) < 0) break;
            lateMs_.push_back(static_cast<double>(SteadyNs() - due) / 1e6);
        }
        ::close(fd);
    }

    std::vector<double>& lateMs_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Watches the window's latest frame, as a player watches the window, and presses.
class Player {
  public:
    Player(const WindowDriver& driver, QtEffects& effects, QPushButton* action, Figures& figures,
           PressTimes& presses, std::function<double()> cpu)
        : cpu_(std::move(cpu)),
          driver_(driver),
          effects_(effects),
          action_(action),
          figures_(figures),
          presses_(presses) {}

    void OnSettled() {
        if (done_) return;
        const std::int64_t now = SteadyNs();
        const GameState& s = driver_.LatestSnapshot().state;
        if (s.Level == 6 && figures_.part[1].wallStart == 0) {
            figures_.part[0].cpuEnd = figures_.part[1].cpuStart = CpuSeconds();
            figures_.part[0].wallEnd = figures_.part[1].wallStart = now;
        }

        if (driver_.LatestSnapshot().messageOpen) {
            // The box comes as a queued call of its own, maybe just after this frame: close it
            // once it is there.
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
                qApp,
                [this] {
                    if (auto* box = static_cast<QMessageBox*>(effects_.OpenMessage()))
                        box->accept();
                    QCoreApplication::quit();
                },
                Qt::QueuedConnection);
            return;
        }

        const bool inRing = s.BallIndex >= 1 && s.RingFlags[static_cast<std::size_t>(s.BallIndex)];
        if (s.Running) {
            started_ = false;
            missing_ = s.Level == 6 && s.HitCount >= kHitsIntoLevel6;
            if (!missing_ && inRing && pressedFor_ != s.StepStart) {
                pressedFor_ = s.StepStart;
                Press();
            } else if (missing_ && !inRing && !missPosted_) {
                missPosted_ = true;
                Press();
            }
        } else if (driver_.LatestSnapshot().board.cmdAction == kStartCaption && !s.Running &&
                   !driver_.LatestSnapshot().wake && !started_) {
            started_ = true;
            if (figures_.part[0].wallStart == 0) {
                figures_.part[0].cpuStart = CpuSeconds();
                figures_.part[0].wallStart = SteadyNs();
            }
            Press();
        }
    }

  private:
    void Press() {
        presses_.Posted();
        PostClick(action_);
    }
    double CpuSeconds() { return cpu_(); }

    std::function<double()> cpu_;
    const WindowDriver& driver_;
    QtEffects& effects_;
    QPushButton* action_;
    Figures& figures_;
    PressTimes& presses_;
    std::uint32_t pressedFor_ = 1;
    bool started_ = false;
    bool missing_ = false;
    bool missPosted_ = false;
    bool done_ = false;
};

template <class Clock>
Figures PlayOnce() {
    Figures figures;
    std::mutex lock;
    FixedSources sources;
    MainWindow window;
    QtEffects effects(window);
    Game game(sources, effects);
    PressTimes presses;
    game.SetLog(&presses);
    Clock clock;
    WatchedClock watched(clock, game, figures, lock);
    LiveDriver driver(game, watched, effects, window);
    PaintTimer paints(figures.paintMs);
    {
        FloorSampler floor(figures.floorMs);
        // The process's CPU time, the floor sampler's own left out.
        Player player(driver, effects, window.findChild<QPushButton*>("cmdAction"), figures,
                      presses, [&floor] { return CpuSeconds() - floor.CpuSeconds(); });
        QObject::connect(&driver, &WindowDriver::snapshotArrived,
                         [&player] { player.OnSettled(); });
        driver.Start();
        // The widgets ask for their repaint on the window or on the widget, by platform.
        window.installEventFilter(&paints);
        window.windowHandle()->installEventFilter(&paints);
        QApplication::exec();
        driver.Quit();
    }
    window.removeEventFilter(&paints);
    window.windowHandle()->removeEventFilter(&paints);
    window.hide();
    figures.inputMs = presses.delays;
    return figures;
}

void PrintRow(const char* driver, const char* name, const Part& part) {
    std::printf("%-9s %-11s %7zu %9.3f %9.3f %9.3f %10.4f\n", driver, name, part.lateMs.size(),
                Percentile(part.lateMs, 0.50), Percentile(part.lateMs, 0.99),
                Percentile(part.lateMs, 1.0), part.CpuPerWall());
}

void PrintSpread(const char* what, const std::vector<double>& ms) {
    std::printf("%-40s %7zu %9.3f %9.3f %9.3f\n", what, ms.size(), Percentile(ms, 0.50),
                Percentile(ms, 0.99), Percentile(ms, 1.0));
}

}  // namespace
}  // namespace gyrolap::bench

int main(int argc, char** argv) {
    using namespace gyrolap::bench;
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        std::fprintf(stderr,
                     "bench_timing: running offscreen; use a real display (Xvfb) for figures\n");

    const Figures ours = PlayOnce<gyrolap::SteadyClock>();
    // --ours-only skips the spinning driver, for quick comparisons of our own settings.
    const bool oursOnly = argc > 1 && std::string_view(argv[1]) == "--ours-only";
    const Figures spin = oursOnly ? Figures{} : PlayOnce<SpinningClock>();

    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("sleeping driver: %s\nspinning driver: %s\n\n", ours.outcome.c_str(),
                spin.outcome.c_str());
    std::printf("%-40s %7s %9s %9s %9s\n", "measured while our driver played", "count", "p50 ms",
                "p99 ms", "max ms");
    PrintSpread("system floor: bare 1 ms timerfd sleeps", ours.floorMs);
    PrintSpread("paint per frame (window's thread)", ours.paintMs);
    PrintSpread("press: event queued to judged", ours.inputMs);
    std::printf("\n%-9s %-11s %7s %9s %9s %9s %10s\n", "driver", "part", "steps", "p50 ms",
                "p99 ms", "max ms", "CPU s/s");
    PrintRow("sleeping", "levels 1-5", ours.part[0]);
    PrintRow("sleeping", "level 6", ours.part[1]);
    if (!oursOnly) {
        PrintRow("spinning", "levels 1-5", spin.part[0]);
        PrintRow("spinning", "level 6", spin.part[1]);
        std::printf("\nwhole game CPU s/s: sleeping %.4f, spinning %.4f\n", ours.CpuWhole(),
                    spin.CpuWhole());
    }
    std::printf(
        "\nsummary: late_p99_ms levels1-5=%.3f level6=%.3f floor_p99_ms=%.3f "
        "cpu_levels1-5=%.4f input_p99_ms=%.3f\n",
        Percentile(ours.part[0].lateMs, 0.99), Percentile(ours.part[1].lateMs, 0.99),
        Percentile(ours.floorMs, 0.99), ours.part[0].CpuPerWall(), Percentile(ours.inputMs, 0.99));
    return 0;
}
