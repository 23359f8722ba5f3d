// SPDX-License-Identifier: MIT
// The PostgreSQL driver: one database for several service processes; see Driver.h.
#include <libpq-fe.h>

#include <map>
#include <string>
#include <vector>

#include "scores/store/Driver.h"
#include "scores/store/Store.h"

namespace gyrolap::scores {
namespace {

// Held while the schema is made or carried forward, so that services starting together do not
// do it twice. Any number no other program locks: "Gyrolap" in ASCII.
constexpr const char* kSchemaLock = "SELECT pg_advisory_xact_lock(20061067950989680)";

std::string Trimmed(const char* message) {
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// A result that frees itself.
class Result {
  public:
    Result() = default;
    explicit Result(PGresult* result) : result_(result) {}
    Result(Result&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
    Result& operator=(Result&& other) noexcept {
        std::swap(result_, other.result_);
        return *this;
    }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    ~Result() { PQclear(result_); }

    PGresult* get() const noexcept { return result_; }

  private:
    PGresult* result_ = nullptr;
};

class PostgresConnection final : public Connection {
  public:
    explicit PostgresConnection(const std::string& url) : pg_(PQconnectdb(url.c_str())) {
        if (!pg_ || PQstatus(pg_) != CONNECTION_OK) {
            const std::string why = pg_ ? Trimmed(PQerrorMessage(pg_)) : "out of memory";
            PQfinish(pg_);
            throw StoreUnavailable("cannot connect to the PostgreSQL database: " + why);
        }
        if (PQsetClientEncoding(pg_, "UTF8") != 0) {
            const std::string why = Trimmed(PQerrorMessage(pg_));
            PQfinish(pg_);
            throw StoreError("cannot use UTF-8 with the PostgreSQL database: " + why);
        }
    }
    ~PostgresConnection() override { PQfinish(pg_); }
    PostgresConnection(const PostgresConnection&) = delete;
    PostgresConnection& operator=(const PostgresConnection&) = delete;

    bool Broken() const override { return PQstatus(pg_) != CONNECTION_OK; }

    void Exec(const std::string& text) override { Checked(PQexec(pg_, text.c_str())); }

    std::unique_ptr<Statement> Prepare(std::string_view text, bool blobResult) override;

    // The name the statement was prepared under on this connection, preparing it the first
    // time.
    const std::string& Prepared(std::string_view text, int parameters) {
        const std::string statement(text);
        auto name = prepared_.find(statement);
        if (name == prepared_.end()) {
            const std::string id = "gyrolap" + std::to_string(prepared_.size());
            Checked(PQprepare(pg_, id.c_str(), statement.c_str(), parameters, nullptr));
            name = prepared_.emplace(statement, id).first;
        }
        return name->second;
    }

    Result Checked(PGresult* raw) {
        Result result(raw);
        const auto status = raw ? PQresultStatus(raw) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            throw StoreError("PostgreSQL: " +
                             Trimmed(raw ? PQresultErrorMessage(raw) : PQerrorMessage(pg_)));
        }
        return result;
    }

    PGconn* pg() const noexcept { return pg_; }

  private:
    PGconn* pg_;
    // Statement text to the name it was prepared under on this connection.
    std::map<std::string, std::string> prepared_;
};

// The values are gathered, then sent with the statement at the first Next; every row comes
// back at once.
class PostgresStatement final : public Statement {
  public:
    PostgresStatement(PostgresConnection& connection, std::string_view text, bool blobResult)
        : connection_(connection), text_(text), blobResult_(blobResult) {}

    Statement& Text(int index, std::string_view value) override {
        At(index) = {std::string(value), {}, false, false};
        return *this;
    }
    Statement& Number(int index, std::int64_t value) override {
        At(index) = {std::to_string(value), {}, false, false};
        return *this;
    }
    // Sent as raw bytes, not as text.
    Statement& Blob(int index, std::string_view value) override {
        At(index) = {{}, value, false, true};
        return *this;
    }
    Statement& Null(int index) override {
        At(index) = {{}, {}, true, false};
        return *this;
    }

    bool Next() override {
        if (!ran_) Run();
        return ++row_ < PQntuples(result_.get());
    }

    std::string TextAt(int column) const override {
        return std::string(PQgetvalue(result_.get(), row_, column),
                           static_cast<std::size_t>(PQgetlength(result_.get(), row_, column)));
    }
    std::int64_t NumberAt(int column) const override {
        return std::stoll(PQgetvalue(result_.get(), row_, column));
    }

  private:
    struct Parameter {
        std::string text;
        std::string_view blob;
        bool null = false;
        bool binary = false;
    };

    Parameter& At(int index) {
        if (parameters_.size() < static_cast<std::size_t>(index))
            parameters_.resize(static_cast<std::size_t>(index));
        return parameters_[static_cast<std::size_t>(index - 1)];
    }

    void Run() {
        ran_ = true;
        const std::string& name = connection_.Prepared(text_, static_cast<int>(parameters_.size()));
        std::vector<const char*> values;
        std::vector<int> lengths;
        std::vector<int> formats;
        for (const Parameter& p : parameters_) {
            values.push_back(p.null ? nullptr : p.binary ? p.blob.data() : p.text.c_str());
            lengths.push_back(static_cast<int>(p.binary ? p.blob.size() : p.text.size()));
            formats.push_back(p.binary ? 1 : 0);
        }
        result_ = connection_.Checked(
            PQexecPrepared(connection_.pg(), name.c_str(), static_cast<int>(values.size()),
                           values.data(), lengths.data(), formats.data(), blobResult_ ? 1 : 0));
    }

    PostgresConnection& connection_;
    std::string text_;
    bool blobResult_;
    std::vector<Parameter> parameters_;
    bool ran_ = false;
    int row_ = -1;
    Result result_;
};

std::unique_ptr<Statement> PostgresConnection::Prepare(std::string_view text, bool blobResult) {
    return std::make_unique<PostgresStatement>(*this, text, blobResult);
}

class Postgres final : public Driver {
  public:
    explicit Postgres(std::string url) : url_(std::move(url)) {}

    std::unique_ptr<Connection> Open() override {
        return std::make_unique<PostgresConnection>(url_);
    }

    // PostgreSQL commits synchronously unless told otherwise; what it says is what holds.
    std::string MakeDurable(Connection& writer) override {
        auto settings = writer.Prepare(
            "SELECT current_setting('synchronous_commit'), current_setting('fsync')");
        if (!settings->Next()) throw StoreError("PostgreSQL: cannot read the commit settings");
        return "synchronous_commit=" + settings->TextAt(0) + " fsync=" + settings->TextAt(1);
    }

    std::string_view Begin() const override { return "BEGIN"; }
    void LockSchema(Connection& writer) override { writer.Exec(kSchemaLock); }
    bool IsSqlite() const override { return false; }

  private:
    std::string url_;
};

}  // namespace

std::unique_ptr<Driver> PostgresDriver(std::string url) {
    return std::make_unique<Postgres>(std::move(url));
}

}  // namespace gyrolap::scores
