// SPDX-License-Identifier: MIT
// What the one store algorithm needs of a database, and all it needs: a connection that runs
// statements with their values sent apart from their text, and the few words in which SQLite
// and PostgreSQL differ. Each database has a thin driver of its own (SqliteDriver.cpp,
// PostgresDriver.cpp); the algorithm over them is written once (SqlStore.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace gyrolap::scores {

// One use of a prepared statement. Parameters are numbered from 1 ($1, $2, ... in the text);
// Next runs the statement the first time it is called and steps through its rows.
class Statement {
  public:
    virtual ~Statement() = default;
    virtual Statement& Text(int index, std::string_view value) = 0;
    virtual Statement& Number(int index, std::int64_t value) = 0;
    virtual Statement& Blob(int index, std::string_view value) = 0;
    virtual Statement& Null(int index) = 0;
    // A NULL for an empty value.
    Statement& TextOrNull(int index, std::string_view value) {
        return value.empty() ? Null(index) : Text(index, value);
    }
    // The next row; false when there is none. Throws StoreError when the statement fails.
    virtual bool Next() = 0;
    // Columns of the row, from 0; a blob column reads as its bytes, NULL as empty.
    virtual std::string TextAt(int column) const = 0;
    virtual std::int64_t NumberAt(int column) const = 0;
};

class Connection {
  public:
    virtual ~Connection() = default;
    // Statements without values or rows (several, separated by semicolons).
    virtual void Exec(const std::string& statements) = 0;
    // `blobResult`: the statement's one column is a blob (PostgreSQL then sends it raw).
    virtual std::unique_ptr<Statement> Prepare(std::string_view text, bool blobResult = false) = 0;
    // The connection is gone (the database restarted): it is to be opened again.
    virtual bool Broken() const = 0;
};

class Driver {
  public:
    virtual ~Driver() = default;
    // Throws StoreError, with a message for the person starting the service, when it cannot.
    virtual std::unique_ptr<Connection> Open() = 0;
    // Sets up the connection that writes, so that a commit that returned is on disk, and says
    // how, as the database itself reports it.
    virtual std::string MakeDurable(Connection& writer) = 0;
    // Begins the transaction that writes a group or a migration; a writer that waits for no
    // other (SQLite) takes the write lock at once.
    virtual std::string_view Begin() const = 0;
    // Inside that transaction: waits until no other process changes the schema.
    virtual void LockSchema(Connection& writer) = 0;
    // Which database this is, for the migrations that differ.
    virtual bool IsSqlite() const = 0;
    // Throws StoreUnavailable when what was opened can no longer be written where a restart
    // would find it (a file removed or replaced under the store). Asked before a group is
    // written and again once it is committed, before any answer goes out.
    virtual void CheckStillThere() {}
};

std::unique_ptr<Driver> SqliteDriver(std::string path);
std::unique_ptr<Driver> PostgresDriver(std::string url);

}  // namespace gyrolap::scores
