// SPDX-License-Identifier: MIT
// Work handed to the window's thread from other threads (the game's, the recording's writer),
// run there in the order it was handed over. The hand-over is a std::mutex that ThreadSanitizer
// follows, with an eventfd to wake the window's event loop: Qt's own queue locks with futexes it
// cannot see, so work passed through it would show as races that are not there.
#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

class QSocketNotifier;

namespace gyrolap {

class WindowThreadQueue final : public QObject {
  public:
    // Made on the window's thread.
    explicit WindowThreadQueue(QObject* parent = nullptr);
    ~WindowThreadQueue() override;

    // From any thread. Work posted on the window's thread runs later too, after what came before.
    void Post(std::function<void()> work);

    // On the window's thread: runs what has been posted so far, without waiting for the event
    // loop to notice.
    void RunPending();

    // On the window's thread: what is posted from now on, and what waits, is dropped.
    void Drop();

  private:
    std::mutex mutex_;
    std::deque<std::function<void()>> work_;
    bool dropped_ = false;
    int wakeFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace gyrolap
