// SPDX-License-Identifier: MIT
// Choosing the store from the --database URL; see Store.h.
#include "scores/store/Store.h"

#include "scores/store/Driver.h"
#include "scores/store/SqlStore.h"
#include "submit/SafeText.h"

namespace gyrolap::scores {

std::unique_ptr<Store> OpenStore(std::string_view url) {
    constexpr std::string_view kSqlite = "sqlite:";
    if (url.starts_with(kSqlite)) {
        const std::string_view path = url.substr(kSqlite.size());
        if (path.empty()) throw StoreError("sqlite: needs the path of the database file");
        return std::make_unique<SqlStore>(SqliteDriver(std::string(path)));
    }
    if (url.starts_with("postgresql://") || url.starts_with("postgres://")) {
        return std::make_unique<SqlStore>(PostgresDriver(std::string(url)));
    }
    throw StoreError("the database " + Shortened(url, 80) +
                     " is neither sqlite:PATH nor postgresql://...");
}

}  // namespace gyrolap::scores
