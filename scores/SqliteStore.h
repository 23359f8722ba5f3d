// SPDX-License-Identifier: MIT
// The embedded store: one SQLite file in write-ahead-log mode, flushed to disk at every commit.
#pragma once

#include <filesystem>
#include <memory>

#include "scores/Store.h"

namespace gyrolap::scores {

// Opens (and on first use makes) the file; throws StoreError when it cannot.
std::unique_ptr<Store> OpenSqliteStore(const std::filesystem::path& path);

}  // namespace gyrolap::scores
