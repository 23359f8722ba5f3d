// SPDX-License-Identifier: MIT
// The PostgreSQL store; see PostgresStore.h.
#include "scores/PostgresStore.h"

#include <libpq-fe.h>

#include <limits>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "scores/GroupCommit.h"
#include "scores/Pool.h"
#include "scores/Schema.h"

namespace gyrolap::scores {
namespace {

constexpr std::size_t kReaders = 4;
// Held while the tables are made, so that services starting together do not make them twice.
// Any number no other program locks: "Gyrolap" in ASCII.
constexpr const char* kSchemaLock = "SELECT pg_advisory_xact_lock(20061067950989680)";

std::string Trimmed(const char* message) {
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// A result that frees itself.
class Result {
  public:
    explicit Result(PGresult* result) : result_(result) {}
    Result(Result&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    ~Result() { PQclear(result_); }

    PGresult* get() const noexcept { return result_; }
    int Rows() const { return PQntuples(result_); }
    std::string At(int row, int column) const {
        return std::string(PQgetvalue(result_, row, column),
                           static_cast<std::size_t>(PQgetlength(result_, row, column)));
    }
    std::int64_t NumberAt(int row, int column) const {
        return std::stoll(PQgetvalue(result_, row, column));
    }

  private:
    PGresult* result_;
};

// One value for a statement: text, a blob sent as raw bytes, or NULL.
struct Parameter {
    static Parameter Text(std::string_view value) { return {std::string(value), {}, false}; }
    static Parameter Number(std::int64_t value) { return {std::to_string(value), {}, false}; }
    static Parameter TextOrNull(std::string_view value) {
        return {std::string(value), {}, value.empty()};
    }
    static Parameter Blob(std::string_view value) { return {{}, value, false, true}; }

    std::string text;
    std::string_view blob;
    bool null = false;
    bool binary = false;
};

class Connection {
  public:
    explicit Connection(const std::string& url) : pg_(PQconnectdb(url.c_str())) {
        if (!pg_ || PQstatus(pg_) != CONNECTION_OK) {
            const std::string why = pg_ ? Trimmed(PQerrorMessage(pg_)) : "out of memory";
            PQfinish(pg_);
            throw StoreError("cannot connect to the PostgreSQL database: " + why);
        }
        if (PQsetClientEncoding(pg_, "UTF8") != 0) {
            const std::string why = Trimmed(PQerrorMessage(pg_));
            PQfinish(pg_);
            throw StoreError("cannot use UTF-8 with the PostgreSQL database: " + why);
        }
    }
    ~Connection() { PQfinish(pg_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Broken() const { return PQstatus(pg_) != CONNECTION_OK; }

    void Exec(const std::string& text) { Checked(PQexec(pg_, text.c_str())); }

    // Runs a statement prepared once per connection, its values sent apart from its text.
    // `binaryResult` asks for the columns as raw bytes (for a blob) instead of text.
    Result Run(std::string_view text, const std::vector<Parameter>& parameters,
               bool binaryResult = false) {
        const std::string statement(text);
        auto name = prepared_.find(statement);
        if (name == prepared_.end()) {
            const std::string id = "gyrolap" + std::to_string(prepared_.size());
            Checked(PQprepare(pg_, id.c_str(), statement.c_str(),
                              static_cast<int>(parameters.size()), nullptr));
            name = prepared_.emplace(statement, id).first;
        }
        std::vector<const char*> values;
        std::vector<int> lengths;
        std::vector<int> formats;
        for (const Parameter& p : parameters) {
            if (p.null) {
                values.push_back(nullptr);
            } else {
                values.push_back(p.binary ? p.blob.data() : p.text.c_str());
            }
            lengths.push_back(static_cast<int>(p.binary ? p.blob.size() : p.text.size()));
            formats.push_back(p.binary ? 1 : 0);
        }
        return Checked(PQexecPrepared(pg_, name->second.c_str(), static_cast<int>(values.size()),
                                      values.data(), lengths.data(), formats.data(),
                                      binaryResult ? 1 : 0));
    }

  private:
    Result Checked(PGresult* raw) {
        Result result(raw);
        const auto status = raw ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            throw StoreError("PostgreSQL: " +
                             Trimmed(raw ? PQresultErrorMessage(raw) : PQerrorMessage(pg_)));
        }
        return result;
    }

    PGconn* pg_;
    // Statement text to the name it was prepared under on this connection.
    std::map<std::string, std::string> prepared_;
};

Entry ReadEntry(const Result& result, int row, bool withFacts) {
    Entry entry;
    entry.id = result.NumberAt(row, 0);
    entry.nickname = result.At(row, 1);
    entry.city = result.At(row, 2);
    entry.state = result.At(row, 3);
    entry.country = result.At(row, 4);
    entry.text = result.At(row, 5);
    entry.best = result.At(row, 6);
    entry.average = result.At(row, 7);
    entry.date = result.At(row, 8);
    entry.verdict = result.At(row, 9);
    entry.received = result.At(row, 10);
    if (withFacts) entry.facts = result.At(row, 11);
    return entry;
}

class PostgresStore final : public Store {
  public:
    explicit PostgresStore(const std::string& url)
        : url_(url),
          writer_(std::make_unique<Connection>(url)),
          readers_([url] { return std::make_unique<Connection>(url); }, kReaders),
          commit_([this](const std::vector<const NewEntry*>& group) { return Write(group); }) {
        InTransaction([&] {
            writer_->Exec(kSchemaLock);
            writer_->Exec(
                sql::CreateTables("BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY", "BYTEA"));
        });
        const Result settings = writer_->Run(
            "SELECT current_setting('synchronous_commit'), current_setting('fsync')", {});
        settings_ = "synchronous_commit=" + settings.At(0, 0) + " fsync=" + settings.At(0, 1);
    }

    std::string CommitSettings() override { return settings_; }

    PutResult Put(const NewEntry& entry) override { return commit_.Put(entry); }

    std::vector<Entry> Scores(std::size_t offset, std::size_t limit) override {
        return Read([&](Connection& db) {
            const Result result =
                db.Run(sql::kScores,
                       {Parameter::Number(limit == 0 ? std::numeric_limits<std::int64_t>::max()
                                                     : static_cast<std::int64_t>(limit)),
                        Parameter::Number(static_cast<std::int64_t>(offset))});
            std::vector<Entry> entries;
            for (int row = 0; row < result.Rows(); ++row)
                entries.push_back(ReadEntry(result, row, false));
            return entries;
        });
    }

    std::size_t Count() override {
        return Read([&](Connection& db) {
            const Result result = db.Run(sql::kCount, {});
            return static_cast<std::size_t>(result.NumberAt(0, 0));
        });
    }

    std::optional<Entry> Find(std::int64_t id) override {
        return Read([&](Connection& db) -> std::optional<Entry> {
            const Result result = db.Run(sql::kFindById, {Parameter::Number(id)});
            if (result.Rows() == 0) return std::nullopt;
            return ReadEntry(result, 0, true);
        });
    }

    std::optional<std::string> Board(std::int64_t id) override { return One(sql::kBoard, id); }
    std::optional<std::string> Recording(std::int64_t id) override {
        return One(sql::kRecording, id, true);
    }

  private:
    // A reader whose connection broke (the database restarted) drops it and reads again on
    // another; after a restart every idle connection is broken, so as many tries as there are
    // readers, and one on a new connection.
    template <class Work>
    std::invoke_result_t<Work, Connection&> Read(Work work) {
        for (std::size_t attempt = 0;; ++attempt) {
            auto reader = readers_.Take();
            try {
                return work(*reader);
            } catch (const StoreError&) {
                if (!reader->Broken() || attempt == kReaders) throw;
                reader.Discard();
            }
        }
    }

    std::optional<std::string> One(std::string_view statement, std::int64_t id,
                                   bool binary = false) {
        return Read([&](Connection& db) -> std::optional<std::string> {
            const Result result = db.Run(statement, {Parameter::Number(id)}, binary);
            if (result.Rows() == 0) return std::nullopt;
            return result.At(0, 0);
        });
    }

    template <class Work>
    void InTransaction(Work work) {
        writer_->Exec("BEGIN");
        try {
            work();
            writer_->Exec("COMMIT");
        } catch (...) {
            if (!writer_->Broken()) {
                try {
                    writer_->Exec("ROLLBACK");
                } catch (const StoreError&) {
                }
            }
            throw;
        }
    }

    // One transaction for the whole group, on the writer's own thread. Two processes writing
    // the same texts in opposite orders may wait on each other; PostgreSQL then fails one group
    // and GroupCommit writes its entries one by one.
    //
    // A connection that broke (the database restarted since the last group) is made again and
    // the group written once more on it. That is safe even when the break came after the
    // commit: every text is stored at most once, so the second try finds them stored.
    std::vector<PutResult> Write(const std::vector<const NewEntry*>& group) {
        for (int attempt = 0;; ++attempt) {
            if (writer_->Broken()) writer_ = std::make_unique<Connection>(url_);
            try {
                std::vector<PutResult> results;
                InTransaction([&] {
                    for (const NewEntry* entry : group)
                        results.push_back(WriteOne(*writer_, *entry));
                });
                return results;
            } catch (const StoreError&) {
                if (attempt > 0 || !writer_->Broken()) throw;
            }
        }
    }

    static PutResult WriteOne(Connection& db, const NewEntry& e) {
        PutResult result;
        std::optional<std::int64_t> changed;
        const Result inserted =
            db.Run(sql::kInsert,
                   {Parameter::Text(e.text), Parameter::Text(e.nickname), Parameter::Text(e.city),
                    Parameter::Text(e.state), Parameter::Text(e.country), Parameter::Text(e.best),
                    Parameter::Text(e.average), Parameter::Text(e.date),
                    Parameter::Number(e.bestValue), Parameter::Number(e.averageThirds),
                    Parameter::Text(e.verdict), Parameter::Text(e.received),
                    Parameter::Text(e.facts), Parameter::TextOrNull(e.board)});
        if (inserted.Rows() > 0) {
            changed = inserted.NumberAt(0, 0);
            result.kind = PutKind::Created;
        } else if (e.verdict == kReplayed) {
            const Result upgraded =
                db.Run(sql::kUpgrade, {Parameter::Text(e.text), Parameter::Text(e.nickname),
                                       Parameter::Text(e.city), Parameter::Text(e.state),
                                       Parameter::Text(e.country), Parameter::Text(e.facts),
                                       Parameter::TextOrNull(e.board)});
            if (upgraded.Rows() > 0) {
                changed = upgraded.NumberAt(0, 0);
                result.kind = PutKind::Upgraded;
            }
        }
        if (changed && !e.recording.empty()) {
            db.Run(sql::kInsertRecording,
                   {Parameter::Number(*changed), Parameter::Blob(e.recording)});
        }
        const Result found = db.Run(sql::kFindByText, {Parameter::Text(e.text)});
        if (found.Rows() == 0) throw StoreError("an entry just stored cannot be found");
        result.entry = ReadEntry(found, 0, true);
        return result;
    }

    std::string url_;
    std::unique_ptr<Connection> writer_;
    std::string settings_;
    Pool<Connection> readers_;
    // Last: its thread stops before the connections close.
    GroupCommit commit_;
};

}  // namespace

std::unique_ptr<Store> OpenPostgresStore(const std::string& url) {
    return std::make_unique<PostgresStore>(url);
}

}  // namespace gyrolap::scores
