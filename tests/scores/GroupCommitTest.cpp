// SPDX-License-Identifier: MIT
// Committing submissions in groups: every caller gets its own result, and an entry that cannot
// be stored fails alone, not the others that waited in its group.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "scores/store/GroupCommit.h"

namespace gyrolap::scores {
namespace {

TEST(GroupCommit, AnEntryThatFailsItsGroupFailsAloneAndTheOthersAreStored) {
    // The first group holds one entry and waits until the test lets it go; meanwhile the others
    // queue up, so that they are written as one group, which fails for the bad one among them.
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    std::atomic<int> groups = 0;
    std::vector<std::size_t> sizes;
    GroupCommit commit([&](const std::vector<const PendingPut*>& group) {
        {
            std::unique_lock lock(mutex);
            sizes.push_back(group.size());
            if (groups++ == 0) released.wait(lock, [&] { return release; });
        }
        std::vector<PutResult> results;
        for (const PendingPut* put : group) {
            if (put->entry->nickname == "bad") throw StoreError("this entry cannot be stored");
            PutResult result;
            result.kind = PutKind::Created;
            result.entry.nickname = put->entry->nickname;
            results.push_back(result);
        }
        return results;
    });

    Entry first;
    first.nickname = "first";
    std::thread holder([&] { EXPECT_EQ(commit.Put(first, nullptr).entry.nickname, "first"); });
    for (;; std::this_thread::yield()) {
        std::lock_guard lock(mutex);
        if (!sizes.empty()) break;
    }
    constexpr int kOthers = 5;
    std::vector<Entry> others(kOthers);
    std::vector<std::string> outcome(kOthers);
    std::vector<std::thread> threads;
    for (int i = 0; i < kOthers; ++i) {
        others[i].nickname = i == 2 ? "bad" : "entry " + std::to_string(i);
        threads.emplace_back([&, i] {
            try {
                outcome[i] = commit.Put(others[i], nullptr).entry.nickname;
            } catch (const StoreError& error) {
                outcome[i] = std::string("failed: ") + error.what();
            }
        });
    }
    while (commit.Waiting() < kOthers) std::this_thread::yield();
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    released.notify_all();
    holder.join();
    for (std::thread& thread : threads) thread.join();

    EXPECT_EQ(outcome,
              (std::vector<std::string>{"entry 0", "entry 1", "failed: this entry cannot be stored",
                                        "entry 3", "entry 4"}));
    // The five were tried as one group first, then one by one.
    ASSERT_GE(sizes.size(), 2u);
    EXPECT_EQ(sizes[0], 1u);
    EXPECT_EQ(sizes[1], static_cast<std::size_t>(kOthers));
}

}  // namespace
}  // namespace gyrolap::scores
