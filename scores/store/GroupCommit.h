// SPDX-License-Identifier: MIT
// Writes submissions in groups: one thread takes every submission waiting and commits them in
// one transaction, so each is on disk before its answer goes out while a disk flush is paid
// once per group instead of once per submission.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "scores/store/Store.h"

namespace gyrolap::scores {

// One entry waiting to be stored, with its proof when it has one.
struct PendingPut {
    const Entry* entry = nullptr;
    const Proof* proof = nullptr;
};

class GroupCommit {
  public:
    // Stores the entries in one transaction and gives their results in order, or throws and
    // keeps none of them.
    using WriteGroup = std::function<std::vector<PutResult>(const std::vector<const PendingPut*>&)>;

    explicit GroupCommit(WriteGroup write, std::size_t largestGroup = 256);
    ~GroupCommit();
    GroupCommit(const GroupCommit&) = delete;
    GroupCommit& operator=(const GroupCommit&) = delete;

    // Blocks until the entry is committed; throws StoreError when it could not be.
    PutResult Put(const Entry& entry, const Proof* proof);

    // Entries waiting for the next group, for the tests to see a group form.
    std::size_t Waiting();

  private:
    struct Job;
    void Run();
    void Finish(const std::vector<Job*>& group);

    WriteGroup write_;
    std::size_t largestGroup_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job*> waiting_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace gyrolap::scores
