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
// - the CPU the process used.
// The game's thread asks for real-time scheduling as the game's does (--no-realtime: not), and
// --load N keeps N busy processes per core running beside it at ordinary priority for the whole
// run, as a machine compiling in the background would. Needs a display (Xvfb serves).
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "BenchSupport.h"
#include "FloorSampler.h"
#include "SpinningClock.h"
#include "game/Clock.h"
#include "game/Game.h"
#include "realtime/RealtimeRequest.h"
#include "ui/LiveDriver.h"
#include "ui/MainWindow.h"
#include "ui/QtEffects.h"

namespace gyrolap::bench {
namespace {

constexpr int kHitsIntoLevel6 = 100;

constexpr const char* kUsage =
    "usage: bench_timing [--load N] [--no-realtime] [--ours-only]\n"
    "       bench_timing --help | --version\n"
    "Plays one long game in the real window and prints how late its steps came.\n"
    "  --load N        N busy processes per core at ordinary priority for the whole run\n"
    "                  (0 to 16; default 0)\n"
    "  --no-realtime   the game's thread does not ask for real-time scheduling\n"
    "  --ours-only     skip the second game, played with a spinning wait for comparison\n";

struct Options {
    int load = 0;
    bool realtime = true;
    bool oursOnly = false;
};

// Where a busy process writes, so that its loop is not optimised away.
volatile std::uint64_t busySink = 0;

// Busy processes that keep every core loaded at ordinary priority: each spins until the bench
// ends them, and dies with the bench however the bench ends (the kernel kills it when its
// parent goes, a crash or a kill included). Started before anything else, so that each begins
// as a copy of a single-threaded process and stays at the bench's ordinary priority.
class BusyLoad {
  public:
    explicit BusyLoad(int perCore) {
        const long cores = sysconf(_SC_NPROCESSORS_ONLN);
        const pid_t bench = getpid();
        for (long i = 0; i < perCore * std::max(cores, 1L); ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (getppid() != bench) _exit(0);  // the bench went before the line above
                prctl(PR_SET_NAME, "bench-load");
                for (std::uint64_t n = 0;; ++n) busySink = n;
            }
            if (pid > 0) pids_.push_back(pid);
        }
    }
    ~BusyLoad() {
        for (const pid_t pid : pids_) kill(pid, SIGKILL);
        for (const pid_t pid : pids_) waitpid(pid, nullptr, 0);
    }
    BusyLoad(const BusyLoad&) = delete;
    BusyLoad& operator=(const BusyLoad&) = delete;
    std::size_t Count() const { return pids_.size(); }

  private:
    std::vector<pid_t> pids_;
};

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
    std::vector<Stall> stepStalls, floorStalls;
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
        const double late = static_cast<double>(now - due) / 1e6;
        figures_.part[part].lateMs.push_back(late);
        if (late > kStallMs) figures_.stepStalls.push_back({now, late});
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

// Plays the game once. With `priority`, the game's thread asks for real-time scheduling as it
// starts, as the game's does, and the answer is kept there.
template <class Clock>
Figures PlayOnce(realtime::Outcome* priority) {
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
    if (priority)
        driver.OnGameThreadStart([priority] { *priority = realtime::MakeThisThreadRealtime(); });
    PaintTimer paints(figures.paintMs);
    {
        FloorSampler floor(figures.floorMs, &figures.floorStalls);
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

// Parses the command line; returns an exit status when the bench should end at once.
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("bench_timing %s\n", kVersionText);
            return 0;
        }
        if (arg == "--no-realtime") {
            options.realtime = false;
        } else if (arg == "--ours-only") {
            options.oursOnly = true;
        } else if (arg == "--load") {
            const auto load = i + 1 < argc ? WholeNumber(argv[i + 1], 0, 16) : std::nullopt;
            if (!load) {
                std::fprintf(stderr, "bench_timing: --load needs a number from 0 to 16\n%s",
                             kUsage);
                return 2;
            }
            options.load = static_cast<int>(*load);
            ++i;
        } else if (arg.starts_with("--")) {
            std::fprintf(stderr, "bench_timing: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
    }
    return std::nullopt;
}

}  // namespace
}  // namespace gyrolap::bench

int main(int argc, char** argv) {
    using namespace gyrolap::bench;
    Options options;
    if (const auto status = ParseOptions(argc, argv, options)) return *status;
    // For the whole run, and before Qt starts a thread.
    const BusyLoad load(options.load);

    QApplication app(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        std::fprintf(stderr,
                     "bench_timing: running offscreen; use a real display (Xvfb) for figures\n");

    gyrolap::realtime::Outcome priority;
    priority.reason = "--no-realtime: not asked";
    const double loadAtStart = LoadAverage();
    const double stealBefore = StealMs();
    const Figures ours = PlayOnce<gyrolap::SteadyClock>(options.realtime ? &priority : nullptr);
    const double steal = StealMs() - stealBefore;
    // The spinning wait never asks: a real-time thread that spins is what the time limit ends.
    const Figures spin = options.oursOnly ? Figures{} : PlayOnce<SpinningClock>(nullptr);

    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("load: %d busy processes per core, %zu in all; load average %.2f at the start\n",
                options.load, load.Count(), loadAtStart);
    std::printf("host steal while our driver played: %.0f ms\n", steal);
    std::printf("game thread: %s\n", gyrolap::realtime::Describe(priority).c_str());
    std::printf("sleeping driver: %s\n", ours.outcome.c_str());
    if (!options.oursOnly) std::printf("spinning driver: %s\n", spin.outcome.c_str());
    std::printf("\n%-40s %7s %9s %9s %9s\n", "measured while our driver played", "count", "p50 ms",
                "p99 ms", "max ms");
    PrintSpread("system floor: bare 1 ms timerfd sleeps", ours.floorMs);
    PrintSpread("paint per frame (window's thread)", ours.paintMs);
    PrintSpread("press: event queued to judged", ours.inputMs);
    std::printf("\n%-9s %-11s %7s %9s %9s %9s %10s\n", "driver", "part", "steps", "p50 ms",
                "p99 ms", "max ms", "CPU s/s");
    PrintRow("sleeping", "levels 1-5", ours.part[0]);
    PrintRow("sleeping", "level 6", ours.part[1]);
    if (!options.oursOnly) {
        PrintRow("spinning", "levels 1-5", spin.part[0]);
        PrintRow("spinning", "level 6", spin.part[1]);
        std::printf("\nwhole game CPU s/s: sleeping %.4f, spinning %.4f\n", ours.CpuWhole(),
                    spin.CpuWhole());
    }
    std::printf("\n");
    PrintStalls("steps", ours.stepStalls);
    PrintStalls("floor wake-ups", ours.floorStalls);
    const double worst =
        std::max(Percentile(ours.part[0].lateMs, 1.0), Percentile(ours.part[1].lateMs, 1.0));
    std::printf(
        "\nsummary: load=%d late_p99_ms levels1-5=%.3f level6=%.3f late_max_ms=%.3f "
        "floor_p99_ms=%.3f cpu_levels1-5=%.4f input_p99_ms=%.3f priority=%s\n",
        options.load, Percentile(ours.part[0].lateMs, 0.99), Percentile(ours.part[1].lateMs, 0.99),
        worst, Percentile(ours.floorMs, 0.99), ours.part[0].CpuPerWall(),
        Percentile(ours.inputMs, 0.99),
        gyrolap::realtime::IsRealtime(priority) ? "realtime" : "normal");
    return 0;
}
