// SPDX-License-Identifier: MIT
// The SQLite driver: one file in write-ahead-log mode, flushed to disk at every commit; see
// Driver.h.
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>

#include "scores/store/Driver.h"
#include "scores/store/Store.h"

namespace gyrolap::scores {
namespace {

constexpr int kBusyWaitMs = 5000;

// SQLite numbers its parameters ?1, ?2, ...
std::string ForSqlite(std::string_view statement) {
    std::string text(statement);
    for (char& c : text)
        if (c == '$') c = '?';
    return text;
}

class SqliteConnection final : public Connection {
  public:
    explicit SqliteConnection(const std::string& path) {
        // Each connection is used by one thread at a time, so SQLite's own locking is not
        // needed.
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw StoreError("cannot open the database " + path + ": " + why);
        }
        sqlite3_busy_timeout(db_, kBusyWaitMs);
        sqlite3_extended_result_codes(db_, 1);
        // A recording goes with its entry.
        Exec("PRAGMA foreign_keys = ON");
    }
    ~SqliteConnection() override {
        for (auto& [text, statement] : statements_) sqlite3_finalize(statement);
        sqlite3_close(db_);
    }
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    void Exec(const std::string& text) override {
        char* error = nullptr;
        if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string why = error ? error : sqlite3_errmsg(db_);
            sqlite3_free(error);
            throw StoreError("SQLite: " + why);
        }
    }

    std::unique_ptr<Statement> Prepare(std::string_view text, bool blobResult) override;

    bool Broken() const override { return false; }

    [[noreturn]] void Fail(const char* what) const {
        throw StoreError(std::string("SQLite ") + what + ": " + sqlite3_errmsg(db_));
    }

    // A prepared statement, made once per connection and reset for each use.
    sqlite3_stmt* Cached(std::string_view text) {
        const std::string key(text);
        auto found = statements_.find(key);
        if (found == statements_.end()) {
            const std::string sqlite = ForSqlite(text);
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v3(db_, sqlite.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement,
                                   nullptr) != SQLITE_OK) {
                Fail("prepare");
            }
            found = statements_.emplace(key, statement).first;
        }
        sqlite3_reset(found->second);
        sqlite3_clear_bindings(found->second);
        return found->second;
    }

  private:
    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

class SqliteStatement final : public Statement {
  public:
    SqliteStatement(SqliteConnection& connection, sqlite3_stmt* statement)
        : connection_(connection), statement_(statement) {}
    ~SqliteStatement() override { sqlite3_reset(statement_); }

    Statement& Text(int index, std::string_view value) override {
        return Check(sqlite3_bind_text64(statement_, index, value.data(), value.size(),
                                         SQLITE_STATIC, SQLITE_UTF8));
    }
    Statement& Number(int index, std::int64_t value) override {
        return Check(sqlite3_bind_int64(statement_, index, value));
    }
    Statement& Blob(int index, std::string_view value) override {
        return Check(
            sqlite3_bind_blob64(statement_, index, value.data(), value.size(), SQLITE_STATIC));
    }
    Statement& Null(int index) override { return Check(sqlite3_bind_null(statement_, index)); }

    bool Next() override {
        const int result = sqlite3_step(statement_);
        if (result == SQLITE_ROW) return true;
        if (result == SQLITE_DONE) return false;
        connection_.Fail("step");
    }

    std::string TextAt(int column) const override {
        const auto* bytes = sqlite3_column_blob(statement_, column);
        const int size = sqlite3_column_bytes(statement_, column);
        return bytes ? std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size))
                     : std::string();
    }
    std::int64_t NumberAt(int column) const override {
        return sqlite3_column_int64(statement_, column);
    }

  private:
    Statement& Check(int result) {
        if (result != SQLITE_OK) connection_.Fail("bind");
        return *this;
    }

    SqliteConnection& connection_;
    sqlite3_stmt* statement_;
};

std::unique_ptr<Statement> SqliteConnection::Prepare(std::string_view text, bool) {
    return std::make_unique<SqliteStatement>(*this, Cached(text));
}

class Sqlite final : public Driver {
  public:
    explicit Sqlite(std::string path) : path_(std::move(path)) {}

    std::unique_ptr<Connection> Open() override {
        return std::make_unique<SqliteConnection>(path_);
    }

    // Readers never wait for the writer in WAL mode, and a commit that returned is in the log
    // on disk: FULL flushes the log at every commit.
    std::string MakeDurable(Connection& writer) override {
        {
            auto mode = writer.Prepare("PRAGMA journal_mode = WAL");
            if (!mode->Next() || mode->TextAt(0) != "wal")
                throw StoreError("cannot put the database " + path_ + " in WAL mode");
        }
        writer.Exec("PRAGMA synchronous = FULL");
        struct stat opened {};
        if (::stat(path_.c_str(), &opened) != 0)
            throw StoreError("cannot find the database " + path_ + " just opened");
        device_ = opened.st_dev;
        inode_ = opened.st_ino;
        auto synchronous = writer.Prepare("PRAGMA synchronous");
        static constexpr const char* kLevels[] = {"off", "normal", "full", "extra"};
        const std::int64_t level = synchronous->Next() ? synchronous->NumberAt(0) : -1;
        return std::string("journal_mode=wal synchronous=") +
               (level >= 0 && level <= 3 ? kLevels[level] : "unknown");
    }

    std::string_view Begin() const override { return "BEGIN IMMEDIATE"; }
    // BEGIN IMMEDIATE holds the one write lock already.
    void LockSchema(Connection&) override {}
    bool IsSqlite() const override { return true; }

    // The file SQLite writes is the one it opened; a file removed or replaced at the path would
    // take every commit since with it at the next start, so none is answered as stored.
    void CheckStillThere() override {
        struct stat now {};
        if (::stat(path_.c_str(), &now) != 0) {
            throw StoreUnavailable("the database " + path_ + " is gone (" + std::strerror(errno) +
                                   "): nothing is stored until gyrolap-scores is restarted");
        }
        if (now.st_dev != device_ || now.st_ino != inode_) {
            throw StoreUnavailable("the database " + path_ +
                                   " was replaced by another file: nothing is stored until "
                                   "gyrolap-scores is restarted");
        }
    }

  private:
    std::string path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

}  // namespace

std::unique_ptr<Driver> SqliteDriver(std::string path) {
    return std::make_unique<Sqlite>(std::move(path));
}

}  // namespace gyrolap::scores
