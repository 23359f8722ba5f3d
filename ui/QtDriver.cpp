// The Qt event loop driving the game; see QtDriver.h.
#include "ui/QtDriver.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>

#include "game/Game.h"
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

}  // namespace

QtDriver::QtDriver(Game& game, QtPlatform& platform, MainWindow& window, QObject* parent)
    : QObject(parent), game_(game), platform_(platform), window_(window) {
    connect(&wakeUp_, &WakeUpTimer::timeout, this, [this] { Handle([] {}); });
    frame_.setSingleShot(true);
    frame_.setTimerType(Qt::PreciseTimer);
    connect(&frame_, &QTimer::timeout, this, [this] { Render(); });

    platform_.AttachWindow(&window_);
    platform_.OnMessageClosed([this] { Handle([this] { game_.scheduler().MessageClosed(); }); });
    connect(&window_, &MainWindow::actionPressed, this,
            [this] { Handle([this] { game_.OnActionPress(); }); });
    connect(&window_, &MainWindow::submitClicked, this,
            [this] { Handle([this] { game_.OnSubmitClick(); }); });
    connect(&window_, &MainWindow::logoClicked, this, [this] { platform_.OpenUrl(kWebAddress); });
    connect(&window_, &MainWindow::closing, this, [this] {
        Quit();
        QCoreApplication::quit();
    });
}

void QtDriver::Load() {
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
    Handle([this] { game_.OnLoad(); });
}

template <class Handler>
void QtDriver::Handle(Handler&& handler) {
    if (quitting_) return;
    try {
        handler();
        Pump();
    } catch (const std::exception& error) {
        Fail(error.what());
    }
}

void QtDriver::Pump() {
    if (quitting_) return;
    game_.scheduler().Settle();
    emit settled();
    ArmWakeUp();
    Render();
}

void QtDriver::ArmWakeUp() {
    const auto delay = game_.scheduler().DelayToDeadline();
    const auto deadline = game_.scheduler().Deadline();
    if (!delay || !deadline) {
        wakeUp_.Stop();
        armedDelay_ = -1;
        return;
    }
    armedDelay_ = static_cast<int>(*delay);
    if (!platform_.UsesSteadyClock()) {
        wakeUp_.StartIn(armedDelay_);
        return;
    }
    // The wait ends the moment the millisecond clock reaches the deadline: the very start of
    // that millisecond on the monotonic clock the game's clock counts. Waking then, not up
    // to a millisecond later as a millisecond timer would, is what keeps the steps on time.
    using namespace std::chrono;
    const auto now = steady_clock::now();
    const auto nowMs = duration_cast<milliseconds>(now.time_since_epoch()).count();
    const auto ahead = static_cast<std::int32_t>(*deadline - static_cast<std::uint32_t>(nowMs));
    wakeUp_.StartAt(steady_clock::time_point(milliseconds(nowMs + ahead)));
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
    quitting_ = true;
    wakeUp_.Stop();
    frame_.stop();
    game_.scheduler().Clear();
}

void QtDriver::Fail(const char* what) {
    // Like any unexpected run-time error: say what went wrong and end the program.
    std::fprintf(stderr, "gyrolap: %s\n", what);
    Quit();
    QMessageBox::critical(nullptr, QStringLiteral("Gyrolap"), QString::fromUtf8(what));
    QCoreApplication::exit(1);
}

}  // namespace gyrolap
