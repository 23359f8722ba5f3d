// SPDX-License-Identifier: MIT
// The shared store: one PostgreSQL database behind any number of service processes.
#pragma once

#include <memory>
#include <string>

#include "scores/Store.h"

namespace gyrolap::scores {

// `url` is a libpq connection URI ("postgresql://user@host/db?..."); throws StoreError when
// the database cannot be reached or its tables made.
std::unique_ptr<Store> OpenPostgresStore(const std::string& url);

}  // namespace gyrolap::scores
