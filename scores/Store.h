// SPDX-License-Identifier: MIT
// Where the score page keeps its entries: one small interface, kept by SQLite (one file, the
// default) or by PostgreSQL (one database for several service processes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace gyrolap::scores {

inline constexpr std::string_view kSealed = "sealed";
inline constexpr std::string_view kReplayed = "replayed";

// One stored submission as the pages show it.
struct Entry {
    std::int64_t id = 0;
    std::string nickname;
    std::string city;
    std::string state;
    std::string country;
    std::string text;  // the whole submission text
    std::string best;
    std::string average;
    std::string date;
    std::string verdict;   // kSealed or kReplayed
    std::string received;  // UTC, "2026-12-10T18:41:07Z"
    std::string facts;     // how it was played, a JSON object; left empty by Scores()
    bool hasRecording = false;
};

// A submission that passed the checks, to be stored.
struct NewEntry {
    std::string nickname;
    std::string city;
    std::string state;
    std::string country;
    std::string text;
    std::string best;
    std::string average;
    std::string date;
    std::int64_t bestValue = 0;      // for ordering: the best score
    std::int64_t averageThirds = 0;  // and three times the average
    std::string verdict;
    std::string received;
    std::string facts;
    std::string board;  // the final board of the replay; empty for a sealed entry
    // The recording that proved it, as received (it outlives the Put); empty for a sealed one.
    std::string_view recording;
};

enum class PutKind {
    Created,   // a new entry
    Existing,  // the text was stored already; nothing changed
    Upgraded,  // the text was stored sealed and is now replayed
};

struct PutResult {
    PutKind kind = PutKind::Existing;
    Entry entry;  // as stored now
};

// The storage failed (a full disk, a lost database connection). Its text is for the service's
// own log, never for a client.
class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Store {
  public:
    virtual ~Store() = default;

    // Stores the entry unless its text is stored already; a replayed one upgrades a sealed one,
    // taking over its nickname and place: the recording shows who played. When this returns,
    // the change is on disk. The same text put from several threads or processes at once is
    // stored once.
    virtual PutResult Put(const NewEntry& entry) = 0;

    // Entries best first (best score, then average, then the earliest received), `limit` of
    // them from `offset` on; limit 0 means all.
    virtual std::vector<Entry> Scores(std::size_t offset, std::size_t limit) = 0;
    virtual std::size_t Count() = 0;

    virtual std::optional<Entry> Find(std::int64_t id) = 0;
    // The final board and the recording of a replayed entry; nothing for a sealed one.
    virtual std::optional<std::string> Board(std::int64_t id) = 0;
    virtual std::optional<std::string> Recording(std::int64_t id) = 0;

    // How a commit reaches the disk, as the database itself reported it on the connection that
    // writes when the store was opened ("journal_mode=wal synchronous=full" for SQLite,
    // "synchronous_commit=on fsync=on" for PostgreSQL): a 201 is only honest while these hold.
    virtual std::string CommitSettings() = 0;
};

// "sqlite:PATH" or "postgresql://..." (also "postgres://..."); throws StoreError with a message
// fit for the person starting the service when the database cannot be opened.
std::unique_ptr<Store> OpenStore(std::string_view url);

}  // namespace gyrolap::scores
