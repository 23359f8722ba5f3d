// SPDX-License-Identifier: MIT
// Writing a recording off the game's thread; see RecordingFile.h.
#include "sim/RecordingFile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

namespace gyrolap::sim {

// What the game's thread and the writer's thread share; the writer keeps it alive after a close
// that gave up on it.
struct RecordingFile::Shared {
    int fd = -1;
    std::mutex mutex;
    std::condition_variable changed;
    std::string waiting;  // lines handed over, each with its line end
    bool closing = false;
    bool done = false;  // the writer has ended, every line written or not
    std::optional<std::string> stopped;
    std::function<void(const std::string&)> onStopped;

    // On the writer's thread, the lock held: the recording stops, and says why once.
    void Stop(std::string reason) {
        if (stopped) return;
        stopped = std::move(reason);
        waiting.clear();
        if (onStopped) onStopped(*stopped);
    }

    // Writes `text` whole, waiting for a pipe to take more as long as the recording is not
    // given up; false with errno set when the file refuses it.
    bool WriteAll(std::string_view text) {
        while (!text.empty()) {
            const ssize_t written = ::write(fd, text.data(), text.size());
            if (written > 0) {
                text.remove_prefix(static_cast<std::size_t>(written));
                continue;
            }
            if (written < 0 && errno == EINTR) continue;
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                // A pipe or FIFO that is full: wait for its reader, a little at a time, so a
                // close can still end the wait.
                pollfd ready{fd, POLLOUT, 0};
                if (::poll(&ready, 1, 100) < 0 && errno != EINTR) return false;
                std::lock_guard lock(mutex);
                if (done) return false;
                continue;
            }
            if (written == 0) errno = EIO;
            return false;
        }
        return true;
    }

    // Before the first line: a regular file's old text goes.
    bool Replace() {
        struct stat status {};
        if (::fstat(fd, &status) != 0) return false;
        return !S_ISREG(status.st_mode) || ::ftruncate(fd, 0) == 0;
    }

    void Run() {
        std::unique_lock lock(mutex);
        bool replaced = false;
        for (;;) {
            changed.wait(lock, [this] { return !waiting.empty() || closing; });
            if (waiting.empty() && closing) break;
            const std::string batch = std::exchange(waiting, {});
            lock.unlock();
            const bool written = (replaced || (replaced = Replace())) && WriteAll(batch);
            const int error = errno;
            lock.lock();
            if (!written && !done) Stop(std::strerror(error));
        }
        if (::close(fd) != 0 && !stopped) Stop(std::strerror(errno));
        fd = -1;
        done = true;
        changed.notify_all();
    }
};

std::unique_ptr<RecordingFile> RecordingFile::Open(const std::string& path, std::string& error) {
    // Without O_NONBLOCK a FIFO would hold the game in open() until some program reads it. What
    // a file held is replaced only once the recording begins (its first line): a game that never
    // starts, for want of a display say, leaves it as it was.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        error = errno == ENXIO ? "it is a FIFO that no program is reading" : std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<RecordingFile>(fd);
}

RecordingFile::RecordingFile(int fd) : shared_(std::make_shared<Shared>()) {
    shared_->fd = fd;
    // The thread holds the shared state too, so that a close that stops waiting for it leaves it
    // nothing dangling.
    std::thread([shared = shared_] { shared->Run(); }).detach();
}

RecordingFile::~RecordingFile() {
    Close();
}

void RecordingFile::OnStopped(std::function<void(const std::string&)> stopped) {
    std::lock_guard lock(shared_->mutex);
    shared_->onStopped = std::move(stopped);
}

void RecordingFile::Write(std::string line) {
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->stopped || shared_->closing) return;
        if (shared_->waiting.size() + line.size() + 1 > kMaxWaitingBytes) {
            shared_->Stop("the file has taken nothing for too long (" +
                          std::to_string(kMaxWaitingBytes >> 20) + " MiB waiting)");
            return;
        }
        shared_->waiting += line;
        shared_->waiting += '\n';
    }
    shared_->changed.notify_one();
}

bool RecordingFile::Close(std::chrono::milliseconds timeout) {
    std::unique_lock lock(shared_->mutex);
    if (!closed_) {
        closed_ = true;
        shared_->closing = true;
        shared_->changed.notify_all();
        if (!shared_->changed.wait_for(lock, timeout, [this] { return shared_->done; })) {
            // The file takes nothing: the writer is left to finish or fail on its own, and
            // writes nothing more of what is left.
            shared_->Stop("the file took more than " + std::to_string(timeout.count()) +
                          " ms to take the last lines");
            shared_->done = true;
        }
    }
    return !shared_->stopped;
}

std::optional<std::string> RecordingFile::Stopped() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->stopped;
}

}  // namespace gyrolap::sim
