// SPDX-License-Identifier: MIT
// The score page on a real PostgreSQL that the test starts itself: two writers on one database
// lose nothing, and two service processes on one database serve one leaderboard, a text sent to
// both at once stored once. The store's own promises are held in StoreContractTest.cpp.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <atomic>
#include <memory>
#include <thread>

#include "PostgresServer.h"
#include "ScoresProcess.h"
#include "ScoresSupport.h"
#include "scores/store/Store.h"
#include "support/RecordedSession.h"

namespace gyrolap::testing {
namespace {

scores::Entry Sealed(const std::string& text, const std::string& nickname) {
    scores::Entry entry;
    entry.nickname = nickname;
    entry.text = text;
    entry.best = "27";
    entry.average = "19.333";
    entry.date = "5/16/2001";
    entry.bestValue = 27;
    entry.averageThirds = 58;
    entry.verdict = scores::Verdict::Sealed;
    entry.received = std::chrono::sys_days(std::chrono::year(2026) / 12 / 10);
    entry.facts = "{}";
    return entry;
}

TEST(ScoresPostgres, TwoWritersTakingTheSameTextsInOppositeOrdersLoseNone) {
    // Two stores, as two processes have: each commits groups of texts; with the texts in
    // opposite orders their groups can wait on each other, and PostgreSQL then fails one.
    const std::string url = SharedPostgresServer().NewDatabase("opposite_orders");
    auto first = scores::OpenStore(url);
    auto second = scores::OpenStore(url);
    constexpr int kTexts = 64;
    constexpr int kThreads = 8;
    std::vector<std::string> texts;
    for (int i = 0; i < kTexts; ++i)
        texts.push_back(
            SealedText("27", "19.333",
                       std::to_string(1 + i % 12) + "/" + std::to_string(1 + i / 12) + "/2020"));
    std::atomic<int> created = 0, failed = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 2 * kThreads; ++t) {
        threads.emplace_back([&, t] {
            scores::Store& store = t < kThreads ? *first : *second;
            for (int k = t % kThreads; k < kTexts; k += kThreads) {
                const int i = t < kThreads ? k : kTexts - 1 - k;
                try {
                    if (store.Put(Sealed(texts[static_cast<std::size_t>(i)], "t"), nullptr).kind ==
                        scores::PutKind::Created)
                        ++created;
                } catch (const scores::StoreError&) {
                    ++failed;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(created, kTexts);
    EXPECT_EQ(first->Count(scores::Listing::All), static_cast<std::size_t>(kTexts));
}

TEST(ScoresPostgres, TwoServicesOnOneDatabaseServeOneLeaderboard) {
    const std::string program = GYROLAP_SCORES_BINARY;
    const std::vector<std::string> args = {"--listen",
                                           "127.0.0.1:0",
                                           "--database",
                                           SharedPostgresServer().NewDatabase("two_services"),
                                           "--submissions-per-minute",
                                           "0"};
    ScoresProcess a(program, args), b(program, args);
    const int portA = a.Port(), portB = b.Port();
    ASSERT_GT(portA, 0) << a.output();
    ASSERT_GT(portB, 0) << b.output();

    // Each text goes to both services at the same moment; each is stored once.
    constexpr int kTexts = 20;
    std::atomic<int> created = 0, repeated = 0, other = 0;
    std::vector<std::thread> senders;
    for (const int port : {portA, portB}) {
        senders.emplace_back([&, port] {
            httplib::Client client("127.0.0.1", port);
            for (int i = 0; i < kTexts; ++i) {
                Form form;
                form.nickname = "via " + std::to_string(port);
                form.text = SealedText("12", "4.000", "7/" + std::to_string(i + 1) + "/2010");
                const auto answer = client.Post("/api/submissions", Items(form));
                const int status = answer ? answer->status : -1;
                (status == 201 ? created : status == 200 ? repeated : other)++;
            }
        });
    }
    for (std::thread& sender : senders) sender.join();
    EXPECT_EQ(created, kTexts);
    EXPECT_EQ(repeated, kTexts);
    EXPECT_EQ(other, 0);

    // A replayed entry sent to one is served whole by the other.
    SessionPlan plan;
    plan.hitsPerGame = {5};
    const auto session = RecordSession(plan);
    Form form;
    form.text = session.clipboard.at(0);
    form.recording = session.recording;
    httplib::Client clientA("127.0.0.1", portA), clientB("127.0.0.1", portB);
    const auto proved = clientA.Post("/api/submissions", Items(form));
    ASSERT_EQ(proved->status, 201) << proved->body;
    const std::string id = std::to_string(Json(proved->body).object()["id"].toInteger());
    EXPECT_EQ(clientB.Get(("/submissions/" + id + "/recording").c_str())->body, session.recording);
    const auto picture = clientB.Get(("/submissions/" + id + "/board.png").c_str());
    EXPECT_EQ(picture->status, 200);
    EXPECT_EQ(picture->body.substr(0, 8), "\x89PNG\r\n\x1a\n");

    for (httplib::Client* client : {&clientA, &clientB}) {
        const QJsonArray scores = Json(client->Get("/api/scores?verdict=all")->body).array();
        EXPECT_EQ(scores.size(), kTexts + 1);
        // The replayed game's 5 ranks above the sealed 12s.
        EXPECT_EQ(scores[0].toObject()["verdict"], "replayed");
        EXPECT_EQ(scores[0].toObject()["best"], 5);
        EXPECT_EQ(scores[1].toObject()["best"], 12);
        EXPECT_EQ(Json(client->Get("/api/scores")->body).array().size(), 1);
    }
    EXPECT_EQ(a.Stop(SIGTERM), 0);
    EXPECT_EQ(b.Stop(SIGTERM), 0);
}

}  // namespace
}  // namespace gyrolap::testing
