// SPDX-License-Identifier: MIT
// The game's thread beside Qt's event loop; see QtDriver.h.
#include "ui/QtDriver.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <exception>

#include "game/Game.h"
#include "sim/Playback.h"
#include "sim/ScriptSource.h"
#include "ui/Centring.h"
#include "ui/MainWindow.h"
#include "ui/QtPlatform.h"

namespace gyrolap {
namespace {

// The outer size of the main window as designed, borders and title bar included.
constexpr int kOuterWidth = 555;
constexpr int kOuterHeight = 416;

int FrameIntervalMs(const QWidget& window) {
    const QScreen* screen = window.screen();
    const qreal rate = screen ? screen->refreshRate() : 60.0;
    return rate >= 1.0 ? std::max(1, static_cast<int>(1000.0 / rate)) : 16;
}

// Runs `then` once the window is on the screen and has painted its first frame: the game's
// first ball must not appear before the window does.
class OnFirstExpose final : public QObject {
  public:
    OnFirstExpose(QWindow* window, std::function<void()> then)
        : QObject(window), then_(std::move(then)) {
        window->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            // After the window has handled the expose, which paints its first frame.
            QMetaObject::invokeMethod(
                watched,
                [then = std::move(then_)] {
                    if (then) then();
                },
                Qt::QueuedConnection);
            deleteLater();
        }
        return false;
    }

  private:
    std::function<void()> then_;
};

}  // namespace

QtDriver::QtDriver(Game& game, QtPlatform& platform, MainWindow& window, QObject* parent)
    : QObject(parent), game_(game), platform_(platform), window_(window) {
    connect(&wakeUp_, &WakeUpTimer::timeout, this, [this] { PlayDue(); });
    renderTimer_.setSingleShot(true);
    renderTimer_.setTimerType(Qt::PreciseTimer);
    connect(&renderTimer_, &QTimer::timeout, this, [this] { Render(); });

    platform_.AttachWindow(&window_);
    platform_.OnMessageClosed([this] { Deliver(Input::MessageClosed); });
    connect(&window_, &MainWindow::actionPressed, this, [this] { Deliver(Input::Press); });
    connect(&window_, &MainWindow::submitClicked, this, [this] { Deliver(Input::Submit); });
    connect(&window_, &MainWindow::closing, this, [this] {
        Quit();
        QCoreApplication::quit();
    });
}

QtDriver::~QtDriver() {
    Quit();
}

std::unique_ptr<GameThread::Timing> QtDriver::MakeTiming() {
    if (platform_.UsesSteadyClock()) return std::make_unique<SteadyTiming>();
    return std::make_unique<PostedTiming>([this] { return platform_.Now(); });
}

void QtDriver::ShowWindow() {
    // Centred on the whole screen from the outer size, in floating point and unclamped: on a
    // screen smaller than the window it hangs off the top left. The window is not shown yet,
    // so the window manager's frame is unknown and the designed outer size stands in for it.
    const QScreen* screen = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen();
    if (screen) window_.move(CentredTopLeft(screen->geometry(), QSize(kOuterWidth, kOuterHeight)));
    window_.setWindowTitle(QStringLiteral("Gyrolap - ver ") + QString::fromLatin1(kVersionText));
    window_.show();
}

void QtDriver::WhenOnScreen(std::function<void()> start) {
    QWindow* handle = window_.windowHandle();
    if (handle && !handle->isExposed())
        new OnFirstExpose(handle, std::move(start));
    else
        start();
}

void QtDriver::Load() {
    ShowWindow();
    WhenOnScreen([this] {
        if (quitting_) return;
        timing_ = MakeTiming();
        thread_ = std::make_unique<GameThread>(game_, *timing_, [this] {
            // On the game's thread: one call to the window's thread per batch of changes, after
            // what the game asked of the window on the way.
            if (!snapshotPending_.exchange(true))
                platform_.PostToWindow([this] { TakeSnapshot(); });
        });
        started_ = true;
        thread_->Start();
        if (!timing_->WakesItself()) Sync();
    });
}

void QtDriver::Replay(std::unique_ptr<sim::ScriptSource> script) {
    platform_.SetPlayback(true);
    ShowWindow();
    playbackScript_ = std::move(script);
    playbackClock_ = std::make_unique<VirtualDriver>(playbackScript_->Clock());
    // The game draws the recorded values and reads the recorded dates.
    platform_.UseRandomSource([this] { return playbackScript_->NextRandom(); });
    platform_.UseDateSource([this] { return playbackScript_->Date(playbackClock_->Now()); });
    playback_ = std::make_unique<sim::Playback>(*playbackScript_, game_, *playbackClock_, nullptr);
    WhenOnScreen([this] {
        if (quitting_) return;
        started_ = true;
        Guarded([this] {
            playbackStart_ = platform_.Now();
            playback_->Load();
            PlayDue();
        });
    });
}

bool QtDriver::PlaybackOver() const {
    return playback_ && !playback_->Next();
}

template <class Action>
void QtDriver::Guarded(Action&& action) {
    if (quitting_) return;
    try {
        action();
    } catch (const std::exception& error) {
        Fail(error.what());
    }
}

void QtDriver::Deliver(Input input) {
    // During a playback the recording plays; the player only watches.
    if (playback_ || !thread_ || quitting_) return;
    thread_->Post(input);
    if (!timing_->WakesItself()) Sync();
}

void QtDriver::Pump() {
    if (playback_)
        PlayDue();
    else
        Deliver(Input::WakeUp);
}

void QtDriver::Sync() {
    if (thread_) thread_->WaitIdle();
    // What the game asked of the window, and its last frame, are handed to the window's thread.
    platform_.RunPostedWork();
}

int QtDriver::ArmedDelay() const {
    if (playback_) return wakeUp_.IsActive() ? armedDelay_ : -1;
    const auto wake = thread_ ? thread_->NextWake() : std::nullopt;
    if (!wake || quitting_) return -1;
    const std::uint64_t now = platform_.Now();
    return *wake > now ? static_cast<int>(*wake - now) : 0;
}

void QtDriver::TakeSnapshot() {
    snapshotPending_ = false;
    if (quitting_ || !thread_) return;
    if (const std::exception_ptr failure = thread_->Failure()) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            Fail(error.what());
        } catch (...) {
            Fail("the game failed");
        }
        return;
    }
    snapshot_ = thread_->LatestSnapshot();
    emit settled();
    Render();
}

void QtDriver::PlayDue() {
    Guarded([this] {
        const std::uint64_t now = platform_.Now();
        playback_->RunTo(now - playbackStart_);
        // The recording closed the box the game was waiting for: take it off the screen too.
        if (!game_.MessageOpen()) platform_.CloseMessage();
        snapshot_ = game_.TakeSnapshot();
        emit settled();
        Render();
        const auto next = playback_->Next();
        if (!next) {
            wakeUp_.Stop();
            return;
        }
        const std::uint64_t wake = playbackStart_ + *next;
        armedDelay_ = wake > now ? static_cast<int>(wake - now) : 0;
        if (platform_.UsesSteadyClock())
            wakeUp_.StartAt(SteadyTiming::InstantOf(wake));
        else
            wakeUp_.StartIn(armedDelay_);
    });
}

void QtDriver::Render() {
    if (quitting_) return;
    // No more often than the screen can show: a 1 ms step on the last level must not cost a
    // repaint per step. The board is rendered as it stands when the frame comes.
    const int interval = FrameIntervalMs(window_);
    if (sinceRender_.isValid() && sinceRender_.elapsed() < interval) {
        if (!renderTimer_.isActive())
            renderTimer_.start(static_cast<int>(interval - sinceRender_.elapsed()));
        return;
    }
    renderTimer_.stop();
    sinceRender_.start();
    window_.renderBoard(snapshot_.board);
    emit rendered();
}

void QtDriver::Quit() {
    if (quitting_) return;
    quitting_ = true;
    wakeUp_.Stop();
    renderTimer_.stop();
    // Whatever the game asked of the window and is still on its way there is dropped.
    platform_.Detach();
    if (thread_)
        thread_->Stop();  // ends the game's thread, then the game
    else
        game_.Quit(platform_.Now());
}

void QtDriver::Fail(const char* what) {
    // Like any unexpected run-time error: say what went wrong and end the program.
    std::fprintf(stderr, "gyrolap: %s\n", what);
    Quit();
    QMessageBox::critical(nullptr, QStringLiteral("Gyrolap"), QString::fromUtf8(what));
    QCoreApplication::exit(1);
}

}  // namespace gyrolap
