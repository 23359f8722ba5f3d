// SPDX-License-Identifier: MIT
// Holding a window at its designed size; see DesignedSize.h.
#include "ui/DesignedSize.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

namespace gyrolap {
namespace {

bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Sends the window back to its own state and size once the compositor has maximised it or made
// it fullscreen. Any other size it suggests, the window need not take.
class DesignedSizeKeeper final : public QObject {
  public:
    explicit DesignedSizeKeeper(QWidget& window) : QObject(&window), window_(window) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &window_ || event->type() != QEvent::WindowStateChange) return false;
        constexpr Qt::WindowStates kTaken = Qt::WindowMaximized | Qt::WindowFullScreen;
        if (window_.windowState() & kTaken) {
            // The window has taken the size it was given, as the protocol demands; once that is
            // done it asks to be itself again, and the compositor gives back the size it had.
            QTimer::singleShot(0, &window_, [this, kTaken] {
                if (window_.windowState() & kTaken)
                    window_.setWindowState(window_.windowState() & ~kTaken);
            });
        }
        return false;
    }

  private:
    QWidget& window_;
};

}  // namespace

void HoldDesignedSize(QWidget& window, QSize designed) {
    window.setFixedSize(designed);
    if (!OnWayland()) return;
    window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window.installEventFilter(new DesignedSizeKeeper(window));
}

}  // namespace gyrolap
