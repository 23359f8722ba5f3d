// SPDX-License-Identifier: MIT
// A few database connections for the readers, each used by one thread at a time, opened when
// first needed and dropped when found broken.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace gyrolap::scores {

template <class Connection>
class Pool {
  public:
    using Open = std::function<std::unique_ptr<Connection>()>;

    Pool(Open open, std::size_t size) : open_(std::move(open)), size_(size) {}

    class Lease {
      public:
        Lease(Pool& pool, std::unique_ptr<Connection> connection)
            : pool_(pool), connection_(std::move(connection)) {}
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease() { pool_.Return(std::move(connection_)); }
        Connection& operator*() const { return *connection_; }
        Connection* operator->() const { return connection_.get(); }
        // The connection is broken: close it rather than hand it to the next reader.
        void Discard() { connection_.reset(); }

      private:
        Pool& pool_;
        std::unique_ptr<Connection> connection_;
    };

    Lease Take() {
        std::unique_lock lock(mutex_);
        returned_.wait(lock, [this] { return !idle_.empty() || opened_ < size_; });
        if (!idle_.empty()) {
            auto connection = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(connection));
        }
        ++opened_;
        lock.unlock();
        try {
            return Lease(*this, open_());
        } catch (...) {
            lock.lock();
            --opened_;
            returned_.notify_one();
            throw;
        }
    }

  private:
    void Return(std::unique_ptr<Connection> connection) {
        {
            std::lock_guard lock(mutex_);
            if (connection) {
                idle_.push_back(std::move(connection));
            } else {
                --opened_;
            }
        }
        returned_.notify_one();
    }

    Open open_;
    std::size_t size_;
    std::mutex mutex_;
    std::condition_variable returned_;
    std::vector<std::unique_ptr<Connection>> idle_;
    std::size_t opened_ = 0;
};

}  // namespace gyrolap::scores
