// SPDX-License-Identifier: MIT
// What every store promises, held to the SQLite file and to a real PostgreSQL alike: a text
// stored once, only a sealed entry upgraded and then with its recording, the board's order with
// its ties, a commit that is on disk, and, for PostgreSQL, a database that restarts or crashes
// under the store.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "PostgresServer.h"
#include "ScoresSupport.h"
#include "scores/Store.h"

namespace gyrolap::scores {
namespace {

using testing::SealedText;
using testing::SharedPostgresServer;

enum class Database { Sqlite, Postgres };

NewEntry Sealed(const std::string& text, const std::string& nickname, std::int64_t best = 27,
                std::int64_t averageThirds = 58) {
    NewEntry entry;
    entry.nickname = nickname;
    entry.text = text;
    entry.best = std::to_string(best);
    entry.average = "19.333";
    entry.date = "5/16/2001";
    entry.bestValue = best;
    entry.averageThirds = averageThirds;
    entry.verdict = std::string(kSealed);
    entry.received = "2026-12-10T09:00:00Z";
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

    testing::ScratchFolder folder_{"store-contract"};
};

TEST_P(StoreContract, ATextIsStoredOnceAndOnlyASealedEntryIsUpgraded) {
    auto store = OpenStore(NewDatabase());
    const std::string text = TextNumber(1);
    const PutResult created = store->Put(Sealed(text, "First"));
    EXPECT_EQ(created.kind, PutKind::Created);
    EXPECT_EQ(created.entry.verdict, kSealed);
    const PutResult again = store->Put(Sealed(text, "Second"));
    EXPECT_EQ(again.kind, PutKind::Existing);
    EXPECT_EQ(again.entry.id, created.entry.id);
    EXPECT_EQ(again.entry.nickname, "First");
    EXPECT_EQ(store->Recording(created.entry.id), std::nullopt);
    EXPECT_EQ(store->Board(created.entry.id), std::nullopt);

    // A recording of any bytes, kept as it came, by the entry it upgraded.
    std::string recording = "recorded\n";
    for (int byte = 0; byte < 256; ++byte) recording += static_cast<char>(byte);
    NewEntry proved = Sealed(text, "Player");
    proved.verdict = std::string(kReplayed);
    proved.facts = R"({"games":3})";
    proved.board = R"({"board":true})";
    proved.recording = recording;
    const PutResult upgraded = store->Put(proved);
    EXPECT_EQ(upgraded.kind, PutKind::Upgraded);
    EXPECT_EQ(upgraded.entry.id, created.entry.id);
    EXPECT_EQ(upgraded.entry.nickname, "Player");
    EXPECT_EQ(upgraded.entry.verdict, kReplayed);
    EXPECT_EQ(store->Recording(created.entry.id), recording);
    EXPECT_EQ(store->Board(created.entry.id), R"({"board":true})");
    const auto found = store->Find(created.entry.id);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->facts, R"({"games":3})");

    // A replayed entry keeps its first proof and its player.
    NewEntry later = proved;
    later.nickname = "Later";
    later.facts = R"({"games":9})";
    std::string other = "other bytes\n";
    later.recording = other;
    EXPECT_EQ(store->Put(later).kind, PutKind::Existing);
    EXPECT_EQ(store->Find(created.entry.id)->nickname, "Player");
    EXPECT_EQ(store->Find(created.entry.id)->facts, R"({"games":3})");
    EXPECT_EQ(store->Recording(created.entry.id), recording);
    EXPECT_EQ(store->Find(created.entry.id + 1000), std::nullopt);

    // A replayed text new to the store is stored with its recording at once.
    NewEntry fresh = proved;
    fresh.text = TextNumber(2);
    const PutResult direct = store->Put(fresh);
    EXPECT_EQ(direct.kind, PutKind::Created);
    EXPECT_EQ(store->Recording(direct.entry.id), recording);
    EXPECT_EQ(store->Count(), 2u);
}

TEST_P(StoreContract, TheBoardRanksByBestThenAverageThenWhoCameFirst) {
    auto store = OpenStore(NewDatabase());
    struct Put {
        const char* name;
        std::int64_t best;
        std::int64_t averageThirds;
    };
    // In the order they come.
    const Put puts[] = {{"b", 9, 22}, {"a", 12, 13}, {"c", 9, 23}, {"d", 9, 22}, {"e", 9, 21},
                        {"f", 100, 0}};
    int n = 0;
    for (const Put& p : puts)
        ASSERT_EQ(store->Put(Sealed(TextNumber(++n), p.name, p.best, p.averageThirds)).kind,
                  PutKind::Created);
    std::string order;
    for (const Entry& entry : store->Scores(0, 0)) order += entry.nickname;
    EXPECT_EQ(order, "facbde");
    std::string page;
    for (const Entry& entry : store->Scores(2, 3)) page += entry.nickname;
    EXPECT_EQ(page, "cbd");
    EXPECT_TRUE(store->Scores(6, 10).empty());
    EXPECT_EQ(store->Count(), 6u);
}

TEST_P(StoreContract, TheSameTextFromManyThreadsAtOnceIsStoredOnce) {
    auto store = OpenStore(NewDatabase());
    const std::string shared = TextNumber(3);
    std::atomic<int> created = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            if (store->Put(Sealed(shared, "thread " + std::to_string(i))).kind == PutKind::Created)
                ++created;
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(created, 1);
    EXPECT_EQ(store->Count(), 1u);
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
        id = store->Put(Sealed(TextNumber(4), "Kept")).entry.id;
    }
    auto reopened = OpenStore(url);
    const auto found = reopened->Find(id);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->nickname, "Kept");
    EXPECT_EQ(reopened->Put(Sealed(TextNumber(4), "Again")).kind, PutKind::Existing);
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
    const PutResult before = store->Put(Sealed(TextNumber(5), "Before"));
    ASSERT_EQ(before.kind, PutKind::Created);
    server.Stop("fast");
    server.Start();
    // The store's connections broke with the restart: the next submission and the next read are
    // served on new ones.
    EXPECT_EQ(store->Put(Sealed(TextNumber(6), "After")).kind, PutKind::Created);
    ASSERT_TRUE(store->Find(before.entry.id));
    EXPECT_EQ(store->Count(), 2u);
    server.Stop("fast");
    server.Start();
    EXPECT_EQ(store->Count(), 2u);
    EXPECT_EQ(store->Put(Sealed(TextNumber(7), "Later")).kind, PutKind::Created);
}

TEST(PostgresStore, AnEntryStoredJustBeforeACrashIsThereAfterRecovery) {
    auto& server = SharedPostgresServer();
    const std::string url = server.NewDatabase("crashed");
    std::vector<std::int64_t> ids;
    {
        auto store = OpenStore(url);
        for (int n = 10; n < 20; ++n) ids.push_back(store->Put(Sealed(TextNumber(n), "x")).entry.id);
        // The moment the last Put returned: no shutdown, no flush of anything not yet on disk.
        server.Stop("immediate");
    }
    server.Start();
    auto store = OpenStore(url);
    for (const std::int64_t id : ids) EXPECT_TRUE(store->Find(id)) << "entry " << id << " lost";
    EXPECT_EQ(store->Count(), ids.size());
}

}  // namespace
}  // namespace gyrolap::scores
