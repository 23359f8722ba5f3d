// SPDX-License-Identifier: MIT
// Committing submissions in groups; see GroupCommit.h.
#include "scores/store/GroupCommit.h"

#include <exception>
#include <optional>

namespace gyrolap::scores {

struct GroupCommit::Job {
    PendingPut put;
    std::optional<PutResult> result;
    std::exception_ptr error;
    bool done = false;
};

GroupCommit::GroupCommit(WriteGroup write, std::size_t largestGroup)
    : write_(std::move(write)), largestGroup_(largestGroup), thread_([this] { Run(); }) {}

GroupCommit::~GroupCommit() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

PutResult GroupCommit::Put(const Entry& entry, const Proof* proof) {
    Job job;
    job.put = {&entry, proof};
    std::unique_lock lock(mutex_);
    if (stopping_) throw StoreError("the store is closing");
    waiting_.push_back(&job);
    changed_.notify_all();
    changed_.wait(lock, [&] { return job.done; });
    if (job.error) std::rethrow_exception(job.error);
    return std::move(*job.result);
}

std::size_t GroupCommit::Waiting() {
    std::lock_guard lock(mutex_);
    return waiting_.size();
}

void GroupCommit::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        // Whoever waits is served, also while closing, so no caller is left hanging.
        if (waiting_.empty()) return;
        std::vector<Job*> group;
        while (!waiting_.empty() && group.size() < largestGroup_) {
            group.push_back(waiting_.front());
            waiting_.pop_front();
        }
        lock.unlock();
        Finish(group);
        lock.lock();
        for (Job* job : group) job->done = true;
        changed_.notify_all();
    }
}

void GroupCommit::Finish(const std::vector<Job*>& group) {
    std::vector<const PendingPut*> entries;
    for (const Job* job : group) entries.push_back(&job->put);
    try {
        std::vector<PutResult> results = write_(entries);
        for (std::size_t i = 0; i < group.size(); ++i) group[i]->result = std::move(results.at(i));
        return;
    } catch (...) {
        if (group.size() == 1) {
            group.front()->error = std::current_exception();
            return;
        }
    }
    // The group failed as a whole (two processes waiting on each other's texts, say): each on
    // its own, so one bad entry cannot fail the others.
    for (Job* job : group) {
        try {
            job->result = std::move(write_({&job->put}).at(0));
        } catch (...) {
            job->error = std::current_exception();
        }
    }
}

}  // namespace gyrolap::scores
