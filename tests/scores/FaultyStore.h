// SPDX-License-Identifier: MIT
// A real store that fails on purpose, as a full disk or a lost database would make it fail:
// every call goes to the store beneath until the test says which calls are to throw.
#pragma once

#include <atomic>
#include <memory>

#include "scores/store/Store.h"

namespace gyrolap::testing {

class FaultyStore final : public scores::Store {
  public:
    explicit FaultyStore(std::unique_ptr<scores::Store> beneath) : beneath_(std::move(beneath)) {}

    std::atomic<bool> failWrites = false;
    std::atomic<bool> failReads = false;
    // Everything fails as it does while the database is away.
    std::atomic<bool> unavailable = false;

    scores::PutResult Put(const scores::Entry& entry, const scores::Proof* proof) override {
        if (unavailable) throw scores::StoreUnavailable("database away (on purpose)");
        if (failWrites) throw scores::StoreError("disk full (on purpose)");
        return beneath_->Put(entry, proof);
    }
    std::vector<scores::Entry> Scores(scores::Listing listing, std::size_t offset,
                                      std::size_t limit) override {
        Read();
        return beneath_->Scores(listing, offset, limit);
    }
    std::size_t Count(scores::Listing listing) override {
        Read();
        return beneath_->Count(listing);
    }
    std::optional<scores::Entry> Find(std::int64_t id) override {
        Read();
        return beneath_->Find(id);
    }
    std::optional<std::string> Board(std::int64_t id) override {
        Read();
        return beneath_->Board(id);
    }
    std::optional<std::string> Recording(std::int64_t id) override {
        Read();
        return beneath_->Recording(id);
    }
    std::string CommitSettings() override { return beneath_->CommitSettings(); }

  private:
    void Read() {
        if (unavailable) throw scores::StoreUnavailable("database away (on purpose)");
        if (failReads) throw scores::StoreError("connection lost (on purpose)");
    }

    std::unique_ptr<scores::Store> beneath_;
};

}  // namespace gyrolap::testing
