// SPDX-License-Identifier: MIT
// Showing the game in its window; see WindowDriver.h.
#include "ui/WindowDriver.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWindow>
#include <cstdio>

#include "game/GameState.h"
#include "ui/Centring.h"
#include "ui/MainWindow.h"
#include "ui/QtEffects.h"

namespace gyrolap {
namespace {

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

WindowDriver::WindowDriver(MainWindow& window, QtEffects& effects, QObject* parent)
    : QObject(parent), window_(window), effects_(effects) {
    renderTimer_.setSingleShot(true);
    renderTimer_.setTimerType(Qt::PreciseTimer);
    connect(&renderTimer_, &QTimer::timeout, this, [this] { Render(); });
    // Closing the window ends the game at once, whatever it is doing, and then the program.
    connect(&window_, &MainWindow::closing, this, [this] {
        Quit();
        QCoreApplication::quit();
    });
}

WindowDriver::~WindowDriver() = default;

QMargins WindowDriver::Frame() const {
    const QWindow* handle = window_.windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

void WindowDriver::Centre(const QMargins& frame) {
    // Centred on the whole screen from the window's outer size, in floating point and
    // unclamped: on a screen smaller than the window it hangs off the top left.
    const QScreen* screen = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen();
    if (screen) window_.move(CentredTopLeft(screen->geometry(), window_.size().grownBy(frame)));
    centredWith_ = frame;
}

void WindowDriver::Start() {
    // Until the window is on the screen its frame may be unknown: centred from what is known
    // now, and again from the frame it really has once it is shown, before the game starts.
    Centre(Frame());
    window_.setWindowTitle(QStringLiteral("Gyrolap - ver ") + QString::fromLatin1(kVersionText));
    window_.show();
    const auto begin = [this] {
        if (quitting_) return;
        if (Frame() != centredWith_) Centre(Frame());
        // The window's first frame, with its pictures drawn for the screen's scale, is painted
        // now, not when the first ball is due to show.
        window_.repaint();
        started_ = true;
        Begin();
    };
    QWindow* handle = window_.windowHandle();
    if (handle && !handle->isExposed())
        new OnFirstExpose(handle, begin);
    else
        begin();
}

void WindowDriver::Show(Snapshot snapshot) {
    if (quitting_) return;
    snapshot_ = std::move(snapshot);
    emit snapshotArrived();
    Render();
}

void WindowDriver::ShowNow(Snapshot snapshot) {
    snapshot_ = std::move(snapshot);
    emit snapshotArrived();
    renderTimer_.stop();
    sinceRender_.start();
    window_.renderBoard(snapshot_.board);
    window_.repaint();
}

void WindowDriver::Render() {
    if (quitting_) return;
    // No more often than the screen can show: a 1 ms step on the last level must not cost a
    // repaint per step. The board is painted as the latest snapshot has it when the frame comes.
    const int interval = paintInterval_ >= 0 ? paintInterval_ : FrameIntervalMs(window_);
    if (sinceRender_.isValid() && sinceRender_.elapsed() < interval) {
        if (!renderTimer_.isActive())
            renderTimer_.start(static_cast<int>(interval - sinceRender_.elapsed()));
        return;
    }
    renderTimer_.stop();
    sinceRender_.start();
    window_.renderBoard(snapshot_.board);
}

void WindowDriver::StopPainting() {
    renderTimer_.stop();
}

void WindowDriver::Fail(const char* what) {
    std::fprintf(stderr, "gyrolap: %s\n", what);
    Quit();
    // The player reads what went wrong; closing the box ends the program with status 1.
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Gyrolap"),
                                QString::fromUtf8(what), QMessageBox::Ok, &window_);
    box->setObjectName(QStringLiteral("failure"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    connect(box, &QDialog::finished, box, [] { QCoreApplication::exit(1); });
    box->show();
}

}  // namespace gyrolap
