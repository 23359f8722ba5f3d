// SPDX-License-Identifier: MIT
// The one store algorithm, over a thin driver per database: submissions committed in groups by
// one writer, a few readers beside it, the schema carried forward as the store opens.
#pragma once

#include <memory>

#include "scores/store/Driver.h"
#include "scores/store/GroupCommit.h"
#include "scores/store/Pool.h"
#include "scores/store/Store.h"

namespace gyrolap::scores {

class SqlStore final : public Store {
  public:
    explicit SqlStore(std::unique_ptr<Driver> driver);
    ~SqlStore() override;

    PutResult Put(const Entry& entry, const Proof* proof) override;
    std::vector<Entry> Scores(Listing listing, std::size_t offset, std::size_t limit) override;
    std::size_t Count(Listing listing) override;
    std::optional<Entry> Find(std::int64_t id) override;
    std::optional<std::string> Board(std::int64_t id) override;
    std::optional<std::string> Recording(std::int64_t id) override;
    std::string CommitSettings() override { return settings_; }

  private:
    template <class Work>
    auto Read(Work work);
    template <class Work>
    void InTransaction(Work work);
    std::vector<PutResult> Write(const std::vector<const PendingPut*>& group);
    std::optional<std::string> One(std::string_view statement, std::int64_t id, bool blob);
    void Migrate();

    std::unique_ptr<Driver> driver_;
    std::unique_ptr<Connection> writer_;
    std::string settings_;
    Pool<Connection> readers_;
    // Last: its thread stops before the connections close.
    GroupCommit commit_;
};

}  // namespace gyrolap::scores
