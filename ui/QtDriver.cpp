// The Qt event loop driving the game; see QtDriver.h.
#include "ui/QtDriver.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWindow>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>

#include "game/Game.h"
#include "sim/Playback.h"
#include "sim/ScriptAnswers.h"
#include "ui/Links.h"
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
    connect(&wakeUp_, &WakeUpTimer::timeout, this, [this] { playback_ ? PlayDue() : Pump(); });
    frame_.setSingleShot(true);
    frame_.setTimerType(Qt::PreciseTimer);
    connect(&frame_, &QTimer::timeout, this, [this] { Render(); });

    platform_.AttachWindow(&window_);
    platform_.OnMessageClosed([this] { Deliver(Input::MessageClosed); });
    connect(&window_, &MainWindow::actionPressed, this, [this] { Deliver(Input::Press); });
    connect(&window_, &MainWindow::submitClicked, this, [this] { Deliver(Input::Submit); });
    connect(&window_, &MainWindow::logoClicked, this, [this] { platform_.OpenUrl(kWebAddress); });
    connect(&window_, &MainWindow::closing, this, [this] {
        Quit();
        QCoreApplication::quit();
    });
}

QtDriver::~QtDriver() = default;

void QtDriver::ShowWindow() {
    // Centred on the whole screen from the outer size, in floating point and unclamped: on a
    // screen smaller than the window it hangs off the top left. The window is not shown yet,
    // so the window manager's frame is unknown and the designed outer size stands in for it.
    const QScreen* screen = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        const double left = area.x() + area.width() / 2.0 - kOuterWidth / 2.0;
        const double top = area.y() + area.height() / 2.0 - kOuterHeight / 2.0;
        window_.move(static_cast<int>(std::floor(left)), static_cast<int>(std::floor(top)));
    }
    game_.PrepareLoad();
    window_.setWindowTitle(QStringLiteral("Gyrolap - ver ") +
                           QString::fromStdString(game_.state().VersionText));
    window_.show();
}

void QtDriver::Load() {
    ShowWindow();
    auto start = [this] {
        Guarded([this] {
            started_ = true;
            const std::uint64_t now = platform_.Now();
            game_.Load(now);
            WaitFor(now, game_.NextWake());
        });
    };
    QWindow* handle = window_.windowHandle();
    if (handle && !handle->isExposed())
        new OnFirstExpose(handle, start);
    else
        start();
}

void QtDriver::Replay(const sim::Script& script) {
    platform_.SetPlayback(true);
    ShowWindow();
    playbackClock_ = std::make_unique<VirtualDriver>(script.clock);
    // The game draws the recorded values and reads the recorded dates.
    answers_ = std::make_unique<sim::ScriptAnswers>(script, *playbackClock_);
    platform_.UseRandomSource([this] { return answers_->NextRandom(); });
    platform_.UseDateSource([this] { return answers_->Date(); });
    playback_ = std::make_unique<sim::Playback>(script, game_, *playbackClock_, nullptr);
    auto start = [this] {
        Guarded([this] {
            started_ = true;
            playbackStart_ = platform_.Now();
            playback_->Load();
            PlayDue();
        });
    };
    QWindow* handle = window_.windowHandle();
    if (handle && !handle->isExposed())
        new OnFirstExpose(handle, start);
    else
        start();
}

bool QtDriver::PlaybackOver() const {
    return playback_ && !playback_->Next();
}

template <class Action>
void QtDriver::Guarded(Action&& action) {
    if (quitting_) return;
    try {
        action();
        emit settled();
        Render();
    } catch (const std::exception& error) {
        Fail(error.what());
    }
}

void QtDriver::Deliver(Input input) {
    // During a playback the recording plays; the player only watches.
    if (playback_) return;
    Guarded([this, input] {
        const std::uint64_t now = platform_.Now();
        game_.Deliver(input, now);
        WaitFor(now, game_.NextWake());
    });
}

void QtDriver::Pump() {
    if (playback_) {
        PlayDue();
        return;
    }
    Deliver(Input::WakeUp);
}

void QtDriver::PlayDue() {
    Guarded([this] {
        const std::uint64_t now = platform_.Now();
        playback_->RunTo(now - playbackStart_);
        // The recording closed the box the game was waiting for: take it off the screen too.
        if (!game_.MessageOpen()) platform_.CloseMessage();
        const auto next = playback_->Next();
        WaitFor(now, next ? std::optional(playbackStart_ + *next) : std::nullopt);
    });
}

void QtDriver::WaitFor(std::uint64_t now, std::optional<std::uint64_t> wake) {
    if (!wake) {
        wakeUp_.Stop();
        armedDelay_ = -1;
        return;
    }
    armedDelay_ = *wake > now ? static_cast<int>(*wake - now) : 0;
    if (!platform_.UsesSteadyClock()) {
        wakeUp_.StartIn(armedDelay_);
        return;
    }
    // The wait ends the moment the millisecond clock reaches the deadline: the very start of
    // that millisecond on the monotonic clock the game's clock counts. Waking then, not up
    // to a millisecond later as a millisecond timer would, is what keeps the steps on time.
    wakeUp_.StartAt(std::chrono::steady_clock::time_point(std::chrono::milliseconds(*wake)));
}

void QtDriver::Render() {
    if (quitting_) return;
    // No more often than the screen can show: a 1 ms step on the last level must not cost a
    // repaint per step. The board is rendered as it stands when the frame comes.
    const int interval = FrameIntervalMs(window_);
    if (sinceRender_.isValid() && sinceRender_.elapsed() < interval) {
        if (!frame_.isActive()) frame_.start(static_cast<int>(interval - sinceRender_.elapsed()));
        return;
    }
    frame_.stop();
    sinceRender_.start();
    window_.renderBoard();
    emit rendered();
}

void QtDriver::Quit() {
    if (quitting_) return;
    quitting_ = true;
    wakeUp_.Stop();
    frame_.stop();
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
