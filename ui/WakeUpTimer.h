// SPDX-License-Identifier: MIT
// One wake-up at an exact instant of the monotonic clock. On Linux a timerfd armed with the
// absolute deadline wakes the event loop at that instant, as closely as the system wakes a
// sleeping thread; elsewhere a precise QTimer serves, to the nearest millisecond.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

class QSocketNotifier;

namespace gyrolap {

class WakeUpTimer final : public QObject {
    Q_OBJECT
  public:
    explicit WakeUpTimer(QObject* parent = nullptr);
    ~WakeUpTimer() override;

    // Wake at `when`; a time already past wakes at the next turn of the event loop.
    void StartAt(std::chrono::steady_clock::time_point when);
    // Wake in `ms` milliseconds, when no absolute instant is known.
    void StartIn(int ms);
    void Stop();
    bool IsActive() const { return active_; }

  signals:
    void timeout();

  private:
    void Fire();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer fallback_;
    bool active_ = false;
};

}  // namespace gyrolap
