// SPDX-License-Identifier: MIT
// The SQLite store; see SqliteStore.h.
#include "scores/SqliteStore.h"

#include <sqlite3.h>

#include <limits>
#include <map>
#include <string>

#include "scores/GroupCommit.h"
#include "scores/Pool.h"
#include "scores/Schema.h"

namespace gyrolap::scores {
namespace {

// Readers at once; the one writer has a connection of its own.
constexpr std::size_t kReaders = 4;
constexpr int kBusyWaitMs = 5000;

// SQLite numbers its parameters ?1, ?2, ...
std::string ForSqlite(std::string_view statement) {
    std::string text(statement);
    for (char& c : text)
        if (c == '$') c = '?';
    return text;
}

class Connection {
  public:
    explicit Connection(const std::filesystem::path& path) {
        // Each connection is used by one thread at a time, so SQLite's own locking is not
        // needed.
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw StoreError("cannot open the database " + path.string() + ": " + why);
        }
        sqlite3_busy_timeout(db_, kBusyWaitMs);
        sqlite3_extended_result_codes(db_, 1);
    }
    ~Connection() {
        for (auto& [text, statement] : statements_) sqlite3_finalize(statement);
        sqlite3_close(db_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void Exec(const std::string& text) {
        char* error = nullptr;
        if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string why = error ? error : sqlite3_errmsg(db_);
            sqlite3_free(error);
            throw StoreError("SQLite: " + why);
        }
    }

    // A prepared statement, made once per connection and reset for each use.
    sqlite3_stmt* Prepare(std::string_view text) {
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

    [[noreturn]] void Fail(const char* what) const {
        throw StoreError(std::string("SQLite ") + what + ": " + sqlite3_errmsg(db_));
    }

    sqlite3* db() const noexcept { return db_; }

  private:
    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

// One use of a prepared statement.
class Query {
  public:
    Query(Connection& connection, std::string_view text)
        : connection_(connection), statement_(connection.Prepare(text)) {}
    ~Query() { sqlite3_reset(statement_); }

    Query& Text(int index, std::string_view value) {
        Check(sqlite3_bind_text64(statement_, index, value.data(), value.size(), SQLITE_STATIC,
                                  SQLITE_UTF8));
        return *this;
    }
    // A NULL for an empty value.
    Query& TextOrNull(int index, std::string_view value) {
        if (value.empty()) {
            Check(sqlite3_bind_null(statement_, index));
            return *this;
        }
        return Text(index, value);
    }
    Query& Number(int index, std::int64_t value) {
        Check(sqlite3_bind_int64(statement_, index, value));
        return *this;
    }
    Query& Blob(int index, std::string_view value) {
        Check(sqlite3_bind_blob64(statement_, index, value.data(), value.size(), SQLITE_STATIC));
        return *this;
    }

    // The next row; false when there is none.
    bool Next() {
        const int result = sqlite3_step(statement_);
        if (result == SQLITE_ROW) return true;
        if (result == SQLITE_DONE) return false;
        connection_.Fail("step");
    }

    std::string TextAt(int column) const {
        const auto* bytes = sqlite3_column_blob(statement_, column);
        const int size = sqlite3_column_bytes(statement_, column);
        return bytes ? std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size))
                     : std::string();
    }
    std::int64_t NumberAt(int column) const { return sqlite3_column_int64(statement_, column); }

  private:
    void Check(int result) {
        if (result != SQLITE_OK) connection_.Fail("bind");
    }

    Connection& connection_;
    sqlite3_stmt* statement_;
};

Entry ReadEntry(const Query& query, bool withFacts) {
    Entry entry;
    entry.id = query.NumberAt(0);
    entry.nickname = query.TextAt(1);
    entry.city = query.TextAt(2);
    entry.state = query.TextAt(3);
    entry.country = query.TextAt(4);
    entry.text = query.TextAt(5);
    entry.best = query.TextAt(6);
    entry.average = query.TextAt(7);
    entry.date = query.TextAt(8);
    entry.verdict = query.TextAt(9);
    entry.received = query.TextAt(10);
    if (withFacts) entry.facts = query.TextAt(11);
    return entry;
}

class SqliteStore final : public Store {
  public:
    explicit SqliteStore(const std::filesystem::path& path)
        : writer_(std::make_unique<Connection>(path)),
          readers_([path] { return std::make_unique<Connection>(path); }, kReaders),
          commit_([this](const std::vector<const NewEntry*>& group) { return Write(group); }) {
        // Readers never wait for the writer in WAL mode, and a commit that returned is in the
        // log on disk: FULL flushes the log at every commit.
        {
            Query mode(*writer_, "PRAGMA journal_mode = WAL");
            if (!mode.Next() || mode.TextAt(0) != "wal")
                throw StoreError("cannot put the database " + path.string() + " in WAL mode");
        }
        writer_->Exec("PRAGMA synchronous = FULL");
        {
            Query synchronous(*writer_, "PRAGMA synchronous");
            static constexpr const char* kLevels[] = {"off", "normal", "full", "extra"};
            const std::int64_t level = synchronous.Next() ? synchronous.NumberAt(0) : -1;
            settings_ = std::string("journal_mode=wal synchronous=") +
                        (level >= 0 && level <= 3 ? kLevels[level] : "unknown");
        }
        writer_->Exec("BEGIN IMMEDIATE");
        try {
            writer_->Exec(sql::CreateTables("INTEGER PRIMARY KEY", "BLOB"));
            writer_->Exec("COMMIT");
        } catch (...) {
            sqlite3_exec(writer_->db(), "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }

    PutResult Put(const NewEntry& entry) override { return commit_.Put(entry); }

    std::string CommitSettings() override { return settings_; }

    std::vector<Entry> Scores(std::size_t offset, std::size_t limit) override {
        auto reader = readers_.Take();
        Query query(*reader, sql::kScores);
        query.Number(1, limit == 0 ? std::numeric_limits<std::int64_t>::max()
                                   : static_cast<std::int64_t>(limit));
        query.Number(2, static_cast<std::int64_t>(offset));
        std::vector<Entry> entries;
        while (query.Next()) entries.push_back(ReadEntry(query, false));
        return entries;
    }

    std::size_t Count() override {
        auto reader = readers_.Take();
        Query query(*reader, sql::kCount);
        return query.Next() ? static_cast<std::size_t>(query.NumberAt(0)) : 0;
    }

    std::optional<Entry> Find(std::int64_t id) override {
        auto reader = readers_.Take();
        Query query(*reader, sql::kFindById);
        query.Number(1, id);
        if (!query.Next()) return std::nullopt;
        return ReadEntry(query, true);
    }

    std::optional<std::string> Board(std::int64_t id) override { return One(sql::kBoard, id); }
    std::optional<std::string> Recording(std::int64_t id) override {
        return One(sql::kRecording, id);
    }

  private:
    std::optional<std::string> One(std::string_view statement, std::int64_t id) {
        auto reader = readers_.Take();
        Query query(*reader, statement);
        query.Number(1, id);
        if (!query.Next()) return std::nullopt;
        return query.TextAt(0);
    }

    // One transaction for the whole group, on the writer's own thread.
    std::vector<PutResult> Write(const std::vector<const NewEntry*>& group) {
        Connection& db = *writer_;
        db.Exec("BEGIN IMMEDIATE");
        try {
            std::vector<PutResult> results;
            for (const NewEntry* entry : group) results.push_back(WriteOne(db, *entry));
            db.Exec("COMMIT");
            return results;
        } catch (...) {
            sqlite3_exec(db.db(), "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }

    static PutResult WriteOne(Connection& db, const NewEntry& e) {
        PutResult result;
        std::optional<std::int64_t> changed;
        {
            Query insert(db, sql::kInsert);
            insert.Text(1, e.text).Text(2, e.nickname).Text(3, e.city).Text(4, e.state);
            insert.Text(5, e.country).Text(6, e.best).Text(7, e.average).Text(8, e.date);
            insert.Number(9, e.bestValue).Number(10, e.averageThirds).Text(11, e.verdict);
            insert.Text(12, e.received).Text(13, e.facts).TextOrNull(14, e.board);
            if (insert.Next()) {
                changed = insert.NumberAt(0);
                result.kind = PutKind::Created;
            }
        }
        if (!changed && e.verdict == kReplayed) {
            Query upgrade(db, sql::kUpgrade);
            upgrade.Text(1, e.text).Text(2, e.nickname).Text(3, e.city).Text(4, e.state);
            upgrade.Text(5, e.country).Text(6, e.facts).TextOrNull(7, e.board);
            if (upgrade.Next()) {
                changed = upgrade.NumberAt(0);
                result.kind = PutKind::Upgraded;
            }
        }
        if (changed && !e.recording.empty()) {
            Query recording(db, sql::kInsertRecording);
            recording.Number(1, *changed).Blob(2, e.recording);
            recording.Next();
        }
        Query find(db, sql::kFindByText);
        find.Text(1, e.text);
        if (!find.Next()) throw StoreError("an entry just stored cannot be found");
        result.entry = ReadEntry(find, true);
        return result;
    }

    std::unique_ptr<Connection> writer_;
    std::string settings_;
    Pool<Connection> readers_;
    // Last: its thread stops before the connections close.
    GroupCommit commit_;
};

}  // namespace

std::unique_ptr<Store> OpenSqliteStore(const std::filesystem::path& path) {
    return std::make_unique<SqliteStore>(path);
}

}  // namespace gyrolap::scores
