// SPDX-License-Identifier: MIT
// The precise wake-up; see WakeUpTimer.h.
#include "ui/WakeUpTimer.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cstdint>

#ifdef __linux__
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace gyrolap {

WakeUpTimer::WakeUpTimer(QObject* parent) : QObject(parent) {
    fallback_.setSingleShot(true);
    fallback_.setTimerType(Qt::PreciseTimer);
    connect(&fallback_, &QTimer::timeout, this, &WakeUpTimer::Fire);
#ifdef __linux__
    fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ >= 0) {
        notifier_ = new QSocketNotifier(static_cast<qintptr>(fd_), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            std::uint64_t expirations = 0;
            // Drain the counter so the descriptor stops being readable.
            while (::read(fd_, &expirations, sizeof expirations) > 0) {
            }
            Fire();
        });
    }
#endif
}

WakeUpTimer::~WakeUpTimer() {
#ifdef __linux__
    if (fd_ >= 0) {
        delete notifier_;
        ::close(fd_);
    }
#endif
}

void WakeUpTimer::StartAt(std::chrono::steady_clock::time_point when) {
    active_ = true;
#ifdef __linux__
    if (fd_ >= 0) {
        // steady_clock is CLOCK_MONOTONIC on Linux, so its time points arm the timerfd as they are.
        const auto ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
        itimerspec spec{};
        // Zero would disarm the timer: a deadline at or before the clock's origin fires at once.
        spec.it_value.tv_sec = ns > 0 ? static_cast<time_t>(ns / 1'000'000'000) : 0;
        spec.it_value.tv_nsec = ns > 0 ? static_cast<long>(ns % 1'000'000'000) : 1;
        if (timerfd_settime(fd_, TFD_TIMER_ABSTIME, &spec, nullptr) == 0) return;
    }
#endif
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(when - std::chrono::steady_clock::now());
    fallback_.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count())));
}

void WakeUpTimer::StartIn(int ms) {
    Stop();
    active_ = true;
    fallback_.start(ms);
}

void WakeUpTimer::Stop() {
    active_ = false;
    fallback_.stop();
#ifdef __linux__
    if (fd_ >= 0) {
        itimerspec spec{};
        timerfd_settime(fd_, 0, &spec, nullptr);
    }
#endif
}

void WakeUpTimer::Fire() {
    if (!active_) return;
    active_ = false;
    emit timeout();
}

}  // namespace gyrolap
