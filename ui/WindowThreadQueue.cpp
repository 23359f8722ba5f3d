// SPDX-License-Identifier: MIT
// Handing work to the window's thread; see WindowThreadQueue.h.
#include "ui/WindowThreadQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>
#include <stdexcept>

namespace gyrolap {

WindowThreadQueue::WindowThreadQueue(QObject* parent)
    : QObject(parent), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (wakeFd_ < 0) throw std::runtime_error("cannot make an eventfd for the window's thread");
    notifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { RunPending(); });
}

WindowThreadQueue::~WindowThreadQueue() {
    delete notifier_;
    ::close(wakeFd_);
}

void WindowThreadQueue::Post(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        if (dropped_) return;
        work_.push_back(std::move(work));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

void WindowThreadQueue::RunPending() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto got = ::read(wakeFd_, &count, sizeof count);
    std::deque<std::function<void()>> due;
    {
        std::lock_guard lock(mutex_);
        due.swap(work_);
    }
    for (auto& work : due) {
        // Work may drop the rest (the game ends) or post more, which waits for the next round.
        {
            std::lock_guard lock(mutex_);
            if (dropped_) return;
        }
        work();
    }
}

void WindowThreadQueue::Drop() {
    std::lock_guard lock(mutex_);
    dropped_ = true;
    work_.clear();
}

}  // namespace gyrolap
