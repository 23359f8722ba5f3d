// SPDX-License-Identifier: MIT
// Where the score page keeps its entries: one small interface, kept by SQLite (one file, the
// default) or by PostgreSQL (one database for several service processes).
//
// The life of an entry, and the function that makes each move:
//  1. Absent. Put of a sealed text stores it sealed (Created); Put of a replayed one stores it
//     replayed with its recording (Created).
//  2. Sealed. Put of the same text sealed changes nothing (Existing). Put of it replayed makes
//     it replayed, its nickname and place those of the player who sent the recording, and keeps
//     the recording (Upgraded): the recording shows who played.
//  3. Replayed. Put of the same text, sealed or replayed, changes nothing (Existing): it keeps
//     its first proof. An entry never goes back to sealed, and a text is stored once.
// A Put that returned is on disk; one that threw stored nothing of its entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "scores/store/Entry.h"

namespace gyrolap::scores {

// Which entries a listing holds. The board is the proofs: replayed entries rank; sealed ones are
// claims, listed apart; All puts every replayed entry before every sealed one.
enum class Listing { Replayed, Sealed, All };

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

// The database cannot be reached or written now (PostgreSQL is away; the SQLite file was removed,
// replaced or made read-only under the service): nothing was stored, and the same request may
// succeed later.
class StoreUnavailable : public StoreError {
  public:
    using StoreError::StoreError;
};

class Store {
  public:
    virtual ~Store() = default;

    // Moves the entry along its life (above); `proof` is given for a replayed entry and
    // outlives the call. The same text put from several threads or processes at once is
    // stored once.
    virtual PutResult Put(const Entry& entry, const Proof* proof) = 0;

    // The listing's entries best first (best score, then average, then the earliest received),
    // `limit` of them from `offset` on; limit 0 means all. Their facts are left empty.
    virtual std::vector<Entry> Scores(Listing listing, std::size_t offset, std::size_t limit) = 0;
    virtual std::size_t Count(Listing listing) = 0;

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
// fit for the person starting the service when the database cannot be opened. The database is
// made, or carried forward to the schema's last step, as it opens.
std::unique_ptr<Store> OpenStore(std::string_view url);

}  // namespace gyrolap::scores
