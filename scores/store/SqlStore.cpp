// SPDX-License-Identifier: MIT
// The one store algorithm; see SqlStore.h and the entry's life in Store.h.
#include "scores/store/SqlStore.h"

#include <limits>
#include <type_traits>

#include "scores/store/Schema.h"

namespace gyrolap::scores {
namespace {

// Readers at once; the one writer has a connection of its own.
constexpr std::size_t kReaders = 4;

// The columns of sql::kEntryColumns, then the facts where asked.
Entry ReadEntry(const Statement& row, bool withFacts) {
    Entry entry;
    entry.id = row.NumberAt(0);
    entry.nickname = row.TextAt(1);
    entry.city = row.TextAt(2);
    entry.state = row.TextAt(3);
    entry.country = row.TextAt(4);
    entry.text = row.TextAt(5);
    entry.best = row.TextAt(6);
    entry.average = row.TextAt(7);
    entry.date = row.TextAt(8);
    entry.bestValue = row.NumberAt(9);
    entry.averageThirds = row.NumberAt(10);
    const std::string verdict = row.TextAt(11);
    const auto named = VerdictNamed(verdict);
    if (!named) throw StoreError("entry " + std::to_string(entry.id) + " has no verdict");
    entry.verdict = *named;
    const auto received = UtcTime(row.TextAt(12));
    if (!received) throw StoreError("entry " + std::to_string(entry.id) + " has no time");
    entry.received = *received;
    if (withFacts) entry.facts = row.TextAt(13);
    return entry;
}

// Moves one entry along its life, in the writer's transaction.
PutResult WriteOne(Connection& db, const Entry& e, const Proof* proof) {
    PutResult result;
    std::optional<std::int64_t> changed;
    const std::string received = UtcText(e.received);
    const std::string_view board = proof ? std::string_view(proof->board) : std::string_view();
    {
        auto insert = db.Prepare(sql::kInsert);
        insert->Text(1, e.text).Text(2, e.nickname).Text(3, e.city).Text(4, e.state);
        insert->Text(5, e.country).Text(6, e.best).Text(7, e.average).Text(8, e.date);
        insert->Number(9, e.bestValue).Number(10, e.averageThirds);
        insert->Text(11, VerdictName(e.verdict)).Text(12, received).Text(13, e.facts);
        insert->TextOrNull(14, board);
        if (insert->Next()) {
            changed = insert->NumberAt(0);
            result.kind = PutKind::Created;
        }
    }
    if (!changed && e.verdict == Verdict::Replayed) {
        auto upgrade = db.Prepare(sql::kUpgrade);
        upgrade->Text(1, e.text).Text(2, e.nickname).Text(3, e.city).Text(4, e.state);
        upgrade->Text(5, e.country).Text(6, e.facts).TextOrNull(7, board);
        if (upgrade->Next()) {
            changed = upgrade->NumberAt(0);
            result.kind = PutKind::Upgraded;
        }
    }
    if (changed && proof && !proof->recording.empty()) {
        auto recording = db.Prepare(sql::kInsertRecording);
        recording->Number(1, *changed).Blob(2, proof->recording);
        recording->Next();
    }
    auto find = db.Prepare(sql::kFindByText);
    find->Text(1, e.text);
    if (!find->Next()) throw StoreError("an entry just stored cannot be found");
    result.entry = ReadEntry(*find, true);
    return result;
}

}  // namespace

SqlStore::SqlStore(std::unique_ptr<Driver> driver)
    : driver_(std::move(driver)),
      writer_(driver_->Open()),
      readers_([this] { return driver_->Open(); }, kReaders),
      commit_([this](const std::vector<const PendingPut*>& group) { return Write(group); }) {
    settings_ = driver_->MakeDurable(*writer_);
    Migrate();
}

SqlStore::~SqlStore() = default;

// Carries the database from the step it holds to the last, under the schema lock, in one
// transaction: a service that stops halfway leaves the database as it found it.
void SqlStore::Migrate() {
    InTransaction([&] {
        driver_->LockSchema(*writer_);
        writer_->Exec(std::string(sql::kVersionTable));
        std::int64_t version = 0;
        {
            auto read = writer_->Prepare(sql::kVersion);
            if (read->Next()) version = read->NumberAt(0);  // NULL, none yet, reads as 0
        }
        const std::vector<std::string> steps = sql::Steps(driver_->IsSqlite());
        if (version > static_cast<std::int64_t>(steps.size())) {
            throw StoreError("the database is at step " + std::to_string(version) +
                             " of its schema; this gyrolap-scores knows " +
                             std::to_string(steps.size()) + ": run a newer one");
        }
        for (auto step = static_cast<std::size_t>(version); step < steps.size(); ++step)
            writer_->Exec(steps[step]);
        if (version < static_cast<std::int64_t>(steps.size()))
            writer_->Exec(std::string(sql::kSetVersion) + "(" + std::to_string(steps.size()) + ")");
    });
}

PutResult SqlStore::Put(const Entry& entry, const Proof* proof) {
    return commit_.Put(entry, proof);
}

// A reader whose connection broke (the database restarted) drops it and reads again on
// another; after a restart every idle connection is broken, so as many tries as there are
// readers, and one on a new connection.
template <class Work>
auto SqlStore::Read(Work work) {
    for (std::size_t attempt = 0;; ++attempt) {
        auto reader = readers_.Take();
        try {
            return work(*reader);
        } catch (const StoreError& error) {
            if (!reader->Broken()) throw;
            reader.Discard();
            if (attempt == kReaders) throw StoreUnavailable(error.what());
        }
    }
}

std::vector<Entry> SqlStore::Scores(Listing listing, std::size_t offset, std::size_t limit) {
    return Read([&](Connection& db) {
        auto query = db.Prepare(sql::ScoresOf(listing));
        query->Number(1, limit == 0 ? std::numeric_limits<std::int64_t>::max()
                                    : static_cast<std::int64_t>(limit));
        query->Number(2, static_cast<std::int64_t>(offset));
        std::vector<Entry> entries;
        while (query->Next()) entries.push_back(ReadEntry(*query, false));
        return entries;
    });
}

std::size_t SqlStore::Count(Listing listing) {
    return Read([&](Connection& db) {
        auto query = db.Prepare(sql::CountOf(listing));
        return query->Next() ? static_cast<std::size_t>(query->NumberAt(0)) : 0;
    });
}

std::optional<Entry> SqlStore::Find(std::int64_t id) {
    return Read([&](Connection& db) -> std::optional<Entry> {
        auto query = db.Prepare(sql::kFindById);
        query->Number(1, id);
        if (!query->Next()) return std::nullopt;
        return ReadEntry(*query, true);
    });
}

std::optional<std::string> SqlStore::Board(std::int64_t id) {
    return One(sql::kBoard, id, false);
}

std::optional<std::string> SqlStore::Recording(std::int64_t id) {
    return One(sql::kRecording, id, true);
}

std::optional<std::string> SqlStore::One(std::string_view statement, std::int64_t id, bool blob) {
    return Read([&](Connection& db) -> std::optional<std::string> {
        auto query = db.Prepare(statement, blob);
        query->Number(1, id);
        if (!query->Next()) return std::nullopt;
        return query->TextAt(0);
    });
}

template <class Work>
void SqlStore::InTransaction(Work work) {
    writer_->Exec(std::string(driver_->Begin()));
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

// One transaction for the whole group, on the writer's own thread. Two processes writing the
// same texts in opposite orders may wait on each other; PostgreSQL then fails one group and
// GroupCommit writes its entries one by one.
//
// A connection that broke (the database restarted since the last group) is made again and the
// group written once more on it. That is safe even when the break came after the commit: every
// text is stored at most once, so the second try finds them stored.
std::vector<PutResult> SqlStore::Write(const std::vector<const PendingPut*>& group) {
    driver_->CheckStillThere();
    for (int attempt = 0;; ++attempt) {
        if (writer_->Broken()) writer_ = driver_->Open();
        try {
            std::vector<PutResult> results;
            InTransaction([&] {
                for (const PendingPut* put : group)
                    results.push_back(WriteOne(*writer_, *put->entry, put->proof));
            });
            driver_->CheckStillThere();
            return results;
        } catch (const StoreUnavailable&) {
            throw;
        } catch (const StoreError& error) {
            if (!writer_->Broken()) throw;
            // The database went away under the group, and again under its second try.
            if (attempt > 0) throw StoreUnavailable(error.what());
        }
    }
}

}  // namespace gyrolap::scores
