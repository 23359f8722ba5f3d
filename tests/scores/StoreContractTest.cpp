// SPDX-License-Identifier: MIT
// What every store promises, held to the SQLite file and to a real PostgreSQL alike: a text
// stored once, only a sealed entry upgraded and then with its recording, the board's order with
// its ties, a commit that is on disk, and, for PostgreSQL, a database that restarts or crashes
// under the store.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <tuple>

#include "PostgresServer.h"
#include "ScoresSupport.h"
#include "scores/store/Store.h"

namespace gyrolap::scores {
namespace {

using testing::SealedText;
using testing::SharedPostgresServer;

enum class Database { Sqlite, Postgres };

void PrintTo(Database database, std::ostream* out) {
    *out << (database == Database::Sqlite ? "SQLite" : "PostgreSQL");
}

Entry Sealed(const std::string& text, const std::string& nickname, std::int64_t best = 27,
             std::int64_t averageThirds = 58) {
    Entry entry;
    entry.nickname = nickname;
    entry.text = text;
    entry.best = std::to_string(best);
    entry.average = "19.333";
    entry.date = "5/16/2001";
    entry.bestValue = best;
    entry.averageThirds = averageThirds;
    entry.verdict = Verdict::Sealed;
    entry.received =
        std::chrono::sys_days(std::chrono::year(2026) / 12 / 10) + std::chrono::hours(9);
    entry.facts = "{}";
    return entry;
}

// A distinct valid text for each n.
std::string TextNumber(int n) {
    return SealedText("27", "19.333",
                      std::to_string(1 + n % 12) + "/" + std::to_string(1 + (n / 12) % 28) + "/" +
                          std::to_string(2001 + n / 336));
}

class StoreContract : public ::testing::TestWithParam<Database> {
  protected:
    // A new, empty database for each test.
    std::string NewDatabase() {
        static int serial = 0;
        ++serial;
        if (GetParam() == Database::Sqlite)
            return "sqlite:" + (folder_.path() / ("store" + std::to_string(serial))).string();
        return SharedPostgresServer().NewDatabase("contract" + std::to_string(serial));
    }

    // A database as the score page made it before its schema had numbered steps: a replayed
    // entry (id 1, with its recording and board) and a sealed one (id 2).
    std::string DatabaseMadeBeforeTheSteps() {
        const std::string fixtures = GYROLAP_FIXTURES;
        if (GetParam() == Database::Sqlite) {
            const auto file = folder_.path() / "old.sqlite";
            std::filesystem::copy_file(fixtures + "/made-before-numbered-steps.sqlite", file);
            return "sqlite:" + file.string();
        }
        const std::string url = SharedPostgresServer().NewDatabase("old_made");
        SharedPostgresServer().Psql("old_made",
                                    {"-f", fixtures + "/made-before-numbered-steps.pg.sql"});
        return url;
    }

    // Runs `statement` on the database as a keeper with its own client would.
    void ByHand(const std::string& url, const std::string& statement) {
        if (GetParam() == Database::Postgres) {
            const std::string name =
                url.substr(url.find("@/") + 2, url.find('?') - url.find("@/") - 2);
            SharedPostgresServer().Psql(name, {"-c", statement});
            return;
        }
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(url.substr(7).c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        // As a keeper's sqlite3 shell would: with the ties between tables kept.
        const int result = sqlite3_exec(db, ("PRAGMA foreign_keys = ON; " + statement).c_str(),
                                        nullptr, nullptr, &error);
        EXPECT_EQ(result, SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }

    testing::ScratchFolder folder_{"store-contract"};
};

TEST_P(StoreContract, ATextIsStoredOnceAndOnlyASealedEntryIsUpgraded) {
    auto store = OpenStore(NewDatabase());
    const std::string text = TextNumber(1);
    const PutResult created = store->Put(Sealed(text, "First"), nullptr);
    EXPECT_EQ(created.kind, PutKind::Created);
    EXPECT_EQ(created.entry.verdict, Verdict::Sealed);
    const PutResult again = store->Put(Sealed(text, "Second"), nullptr);
    EXPECT_EQ(again.kind, PutKind::Existing);
    EXPECT_EQ(again.entry.id, created.entry.id);
    EXPECT_EQ(again.entry.nickname, "First");
    EXPECT_EQ(store->Recording(created.entry.id), std::nullopt);
    EXPECT_EQ(store->Board(created.entry.id), std::nullopt);

    // A recording of any bytes, kept as it came, by the entry it upgraded.
    std::string recording = "recorded\n";
    for (int byte = 0; byte < 256; ++byte) recording += static_cast<char>(byte);
    Entry proved = Sealed(text, "Player");
    proved.verdict = Verdict::Replayed;
    proved.facts = R"({"games":3})";
    const Proof proof{R"({"board":true})", recording};
    const PutResult upgraded = store->Put(proved, &proof);
    EXPECT_EQ(upgraded.kind, PutKind::Upgraded);
    EXPECT_EQ(upgraded.entry.id, created.entry.id);
    EXPECT_EQ(upgraded.entry.nickname, "Player");
    EXPECT_EQ(upgraded.entry.verdict, Verdict::Replayed);
    EXPECT_EQ(store->Recording(created.entry.id), recording);
    EXPECT_EQ(store->Board(created.entry.id), R"({"board":true})");
    const auto found = store->Find(created.entry.id);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->facts, R"({"games":3})");

    // A replayed entry keeps its first proof and its player.
    Entry later = proved;
    later.nickname = "Later";
    later.facts = R"({"games":9})";
    const Proof otherProof{R"({"board":false})", "other bytes\n"};
    EXPECT_EQ(store->Put(later, &otherProof).kind, PutKind::Existing);
    EXPECT_EQ(store->Board(created.entry.id), R"({"board":true})");
    EXPECT_EQ(store->Find(created.entry.id)->nickname, "Player");
    EXPECT_EQ(store->Find(created.entry.id)->facts, R"({"games":3})");
    EXPECT_EQ(store->Recording(created.entry.id), recording);
    EXPECT_EQ(store->Find(created.entry.id + 1000), std::nullopt);

    // A replayed text new to the store is stored with its recording at once.
    Entry fresh = proved;
    fresh.text = TextNumber(2);
    const PutResult direct = store->Put(fresh, &proof);
    EXPECT_EQ(direct.kind, PutKind::Created);
    EXPECT_EQ(store->Recording(direct.entry.id), recording);
    EXPECT_EQ(store->Count(Listing::All), 2u);
}

TEST_P(StoreContract, TheBoardRanksByBestThenAverageThenWhoCameFirst) {
    auto store = OpenStore(NewDatabase());
    struct Put {
        const char* name;
        std::int64_t best;
        std::int64_t averageThirds;
    };
    // In the order they come.
    const Put puts[] = {{"b", 9, 22}, {"a", 12, 13}, {"c", 9, 23},
                        {"d", 9, 22}, {"e", 9, 21},  {"f", 100, 0}};
    int n = 0;
    for (const Put& p : puts)
        ASSERT_EQ(
            store->Put(Sealed(TextNumber(++n), p.name, p.best, p.averageThirds), nullptr).kind,
            PutKind::Created);
    std::string order;
    for (const Entry& entry : store->Scores(Listing::All, 0, 0)) order += entry.nickname;
    EXPECT_EQ(order, "facbde");
    std::string page;
    for (const Entry& entry : store->Scores(Listing::All, 2, 3)) page += entry.nickname;
    EXPECT_EQ(page, "cbd");
    EXPECT_TRUE(store->Scores(Listing::All, 6, 10).empty());
    EXPECT_EQ(store->Count(Listing::All), 6u);
}

TEST_P(StoreContract, ReplayedEntriesRankAndSealedOnesAreListedApart) {
    auto store = OpenStore(NewDatabase());
    // A forged best far above anything played, sealed; two replayed games.
    ASSERT_EQ(store->Put(Sealed(TextNumber(40), "forger", 999999999, 2999999997), nullptr).kind,
              PutKind::Created);
    ASSERT_EQ(store->Put(Sealed(TextNumber(41), "claimant", 50, 120), nullptr).kind,
              PutKind::Created);
    const Proof proof{"{}", "recorded\n"};
    for (const auto& [n, name, best] :
         {std::tuple{42, "player", 78}, std::tuple{43, "second", 12}}) {
        Entry played = Sealed(TextNumber(n), name, best, best * 2);
        played.verdict = Verdict::Replayed;
        ASSERT_EQ(store->Put(played, &proof).kind, PutKind::Created);
    }
    const auto names = [&](Listing listing, std::size_t offset, std::size_t limit) {
        std::string listed;
        for (const Entry& entry : store->Scores(listing, offset, limit))
            listed += (listed.empty() ? "" : " ") + entry.nickname;
        return listed;
    };
    EXPECT_EQ(names(Listing::Replayed, 0, 0), "player second");
    EXPECT_EQ(names(Listing::Sealed, 0, 0), "forger claimant");
    EXPECT_EQ(names(Listing::All, 0, 0), "player second forger claimant");
    EXPECT_EQ(names(Listing::All, 1, 2), "second forger");
    EXPECT_EQ(store->Count(Listing::Replayed), 2u);
    EXPECT_EQ(store->Count(Listing::Sealed), 2u);
    EXPECT_EQ(store->Count(Listing::All), 4u);
    // A claim proved later moves to the board.
    Entry proved = Sealed(TextNumber(41), "claimant", 50, 120);
    proved.verdict = Verdict::Replayed;
    ASSERT_EQ(store->Put(proved, &proof).kind, PutKind::Upgraded);
    EXPECT_EQ(names(Listing::Replayed, 0, 0), "player claimant second");
    EXPECT_EQ(names(Listing::Sealed, 0, 0), "forger");
}

TEST_P(StoreContract, TheSameTextFromManyThreadsAtOnceIsStoredOnce) {
    auto store = OpenStore(NewDatabase());
    const std::string shared = TextNumber(3);
    std::atomic<int> created = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            if (store->Put(Sealed(shared, "thread " + std::to_string(i)), nullptr).kind ==
                PutKind::Created)
                ++created;
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(created, 1);
    EXPECT_EQ(store->Count(Listing::All), 1u);
}

TEST_P(StoreContract, ACommitIsOnDiskBeforePutReturnsAndStaysThere) {
    const std::string url = NewDatabase();
    std::int64_t id = 0;
    {
        auto store = OpenStore(url);
        // As the database itself says on the connection that writes.
        EXPECT_EQ(store->CommitSettings(), GetParam() == Database::Sqlite
                                               ? "journal_mode=wal synchronous=full"
                                               : "synchronous_commit=on fsync=on");
        id = store->Put(Sealed(TextNumber(4), "Kept"), nullptr).entry.id;
    }
    auto reopened = OpenStore(url);
    const auto found = reopened->Find(id);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->nickname, "Kept");
    EXPECT_EQ(reopened->Put(Sealed(TextNumber(4), "Again"), nullptr).kind, PutKind::Existing);
}

TEST_P(StoreContract, ADatabaseMadeBeforeTheNumberedStepsIsCarriedForward) {
    const std::string url = DatabaseMadeBeforeTheSteps();
    std::ifstream file(std::string(GYROLAP_FIXTURES) + "/made-before-numbered-steps.recording",
                       std::ios::binary);
    std::ostringstream recording;
    recording << file.rdbuf();
    {
        auto store = OpenStore(url);
        EXPECT_EQ(store->Count(Listing::All), 2u);
        const auto replayed = store->Find(1);
        ASSERT_TRUE(replayed);
        EXPECT_EQ(replayed->nickname, "Replayer");
        EXPECT_EQ(replayed->verdict, Verdict::Replayed);
        EXPECT_EQ(UtcText(replayed->received).substr(0, 11), "2026-12-11T");
        EXPECT_EQ(store->Recording(1), recording.str());
        EXPECT_TRUE(store->Board(1));
        const auto sealed = store->Find(2);
        ASSERT_TRUE(sealed);
        EXPECT_EQ(sealed->verdict, Verdict::Sealed);
        EXPECT_EQ(sealed->bestValue, 1);
        EXPECT_EQ(sealed->averageThirds, 1);
        // Every replayed entry before every sealed one, whatever their scores.
        EXPECT_EQ(store->Scores(Listing::All, 0, 0).front().id, 1);
    }
    // A keeper removes both entries by hand: the recording goes with its entry, and neither id
    // is given again, so no later entry can show what a removed one had.
    ByHand(url, "DELETE FROM submissions WHERE id IN (1, 2)");
    auto store = OpenStore(url);
    EXPECT_EQ(store->Count(Listing::All), 0u);
    Entry later = Sealed(TextNumber(30), "Later");
    later.verdict = Verdict::Replayed;
    const Proof proof{"{}", "later recording\n"};
    const PutResult stored = store->Put(later, &proof);
    EXPECT_EQ(stored.kind, PutKind::Created);
    EXPECT_GT(stored.entry.id, 2);
    EXPECT_EQ(store->Recording(1), std::nullopt);
    EXPECT_EQ(store->Recording(2), std::nullopt);
    EXPECT_EQ(store->Recording(stored.entry.id), "later recording\n");
}

TEST_P(StoreContract, ADatabaseOfALaterSchemaIsRefusedNotTouched) {
    const std::string url = NewDatabase();
    OpenStore(url).reset();
    ByHand(url, "UPDATE gyrolap_schema SET version = 99");
    try {
        OpenStore(url);
        ADD_FAILURE() << "opened a database of schema step 99";
    } catch (const StoreError& error) {
        EXPECT_NE(std::string(error.what()).find("at step 99 of its schema"), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(OnEach, StoreContract,
                         ::testing::Values(Database::Sqlite, Database::Postgres),
                         [](const auto& info) {
                             return info.param == Database::Sqlite ? "Sqlite" : "Postgres";
                         });

// PostgreSQL is a server of its own, which an administrator restarts and which can crash.

TEST(PostgresStore, ARestartBetweenTwoSubmissionsLosesNeitherAndFailsNeither) {
    auto& server = SharedPostgresServer();
    auto store = OpenStore(server.NewDatabase("restarted"));
    const PutResult before = store->Put(Sealed(TextNumber(5), "Before"), nullptr);
    ASSERT_EQ(before.kind, PutKind::Created);
    server.Stop("fast");
    server.Start();
    // The store's connections broke with the restart: the next submission and the next read are
    // served on new ones.
    EXPECT_EQ(store->Put(Sealed(TextNumber(6), "After"), nullptr).kind, PutKind::Created);
    ASSERT_TRUE(store->Find(before.entry.id));
    EXPECT_EQ(store->Count(Listing::All), 2u);
    server.Stop("fast");
    server.Start();
    EXPECT_EQ(store->Count(Listing::All), 2u);
    EXPECT_EQ(store->Put(Sealed(TextNumber(7), "Later"), nullptr).kind, PutKind::Created);
}

TEST(PostgresStore, WhileTheDatabaseIsAwayNothingIsStoredAndItIsSaidSo) {
    auto& server = SharedPostgresServer();
    auto store = OpenStore(server.NewDatabase("away"));
    ASSERT_EQ(store->Put(Sealed(TextNumber(50), "Before"), nullptr).kind, PutKind::Created);
    server.Stop("fast");
    EXPECT_THROW(store->Put(Sealed(TextNumber(51), "Away"), nullptr), StoreUnavailable);
    EXPECT_THROW(store->Count(Listing::All), StoreUnavailable);
    server.Start();
    // Back: stored again at once, and nothing of the time away was kept.
    EXPECT_EQ(store->Put(Sealed(TextNumber(52), "After"), nullptr).kind, PutKind::Created);
    EXPECT_EQ(store->Count(Listing::All), 2u);
}

TEST(PostgresStore, AnEntryStoredJustBeforeACrashIsThereAfterRecovery) {
    auto& server = SharedPostgresServer();
    const std::string url = server.NewDatabase("crashed");
    std::vector<std::int64_t> ids;
    {
        auto store = OpenStore(url);
        for (int n = 10; n < 20; ++n)
            ids.push_back(store->Put(Sealed(TextNumber(n), "x"), nullptr).entry.id);
        // The moment the last Put returned: no shutdown, no flush of anything not yet on disk.
        server.Stop("immediate");
    }
    server.Start();
    auto store = OpenStore(url);
    for (const std::int64_t id : ids) EXPECT_TRUE(store->Find(id)) << "entry " << id << " lost";
    EXPECT_EQ(store->Count(Listing::All), ids.size());
}

}  // namespace
}  // namespace gyrolap::scores
