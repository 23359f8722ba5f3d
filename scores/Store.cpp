// SPDX-License-Identifier: MIT
// Choosing the store from the --database URL; see Store.h.
#include "scores/Store.h"

#include "scores/PostgresStore.h"
#include "scores/SqliteStore.h"
#include "submit/SafeText.h"

namespace gyrolap::scores {

std::unique_ptr<Store> OpenStore(std::string_view url) {
    constexpr std::string_view kSqlite = "sqlite:";
    if (url.starts_with(kSqlite)) {
        const std::string_view path = url.substr(kSqlite.size());
        if (path.empty()) throw StoreError("sqlite: needs the path of the database file");
        return OpenSqliteStore(std::filesystem::path(path));
    }
    if (url.starts_with("postgresql://") || url.starts_with("postgres://")) {
        return OpenPostgresStore(std::string(url));
    }
    throw StoreError("the database " + Shortened(url, 80) +
                     " is neither sqlite:PATH nor postgresql://...");
}

}  // namespace gyrolap::scores
