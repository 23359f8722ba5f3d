// SPDX-License-Identifier: MIT
// The score page's requests, answered by the service over a real socket with an SQLite file in
// a scratch folder: what is stored, what is refused and why, what the pages and the JSON show.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "FaultyStore.h"
#include "ScoresSupport.h"
#include "scores/Limits.h"
#include "scores/Service.h"
#include "scores/store/Store.h"
#include "submit/SubmissionCheck.h"
#include "support/RecordedSession.h"

namespace gyrolap::scores {
namespace {

using testing::Form;
using testing::Items;
using testing::Json;
using testing::RawExchange;
using testing::SealedText;

// Draws nothing: answers with the best score of the board it is given, so a test can tell
// which board came.
class NamingPainter final : public BoardPainter {
  public:
    std::string Png(const Board& board) override {
        ++drawn;
        return "picture of a board with best " + board.lblScores[kBestLabel];
    }
    std::atomic<int> drawn = 0;
};

// The service as the tests start it: no limit on submissions from one address, since every
// test client sends from this machine; the limit has a test of its own.
ServiceOptions Unlimited() {
    ServiceOptions options;
    options.submissionsPerMinute = 0;
    return options;
}

class ScoreService : public ::testing::Test {
  protected:
    void SetUp() override { Start(Unlimited()); }
    void TearDown() override { Stop(); }

    void Start(ServiceOptions options, bool faulty = false) {
        store_ = OpenStore("sqlite:" + (folder_.path() / "scores.sqlite").string());
        if (faulty) {
            auto wrapped = std::make_unique<testing::FaultyStore>(std::move(store_));
            faulty_ = wrapped.get();
            store_ = std::move(wrapped);
        }
        service_ = std::make_unique<Service>(*store_, &painter_, std::move(options));
        ASSERT_TRUE(service_->Bind("127.0.0.1", 0));
        serving_ = std::thread([this] { service_->Run(); });
        client_ = std::make_unique<httplib::Client>("127.0.0.1", service_->Port());
        client_->set_read_timeout(std::chrono::seconds(8));
    }
    void Stop() {
        if (!service_) return;
        client_.reset();
        service_->Stop();
        serving_.join();
        service_.reset();
        store_.reset();
    }

    httplib::Result Post(const Form& form) {
        return client_->Post("/api/submissions", Items(form));
    }
    httplib::Result Get(const std::string& path) { return client_->Get(path.c_str()); }

    // Entry `i` of a board of equal scores, stored without the service: for tests of the pages
    // and listings, not of the posting.
    void StoreDirectly(int i, Verdict verdict) {
        Entry entry;
        entry.nickname = "player " + std::to_string(i);
        entry.text = SealedText(
            "12", "4.000", std::to_string(1 + i % 12) + "/" + std::to_string(1 + i / 12) + "/2001");
        entry.best = "12";
        entry.average = "4.000";
        entry.date = "1/1/2001";
        entry.bestValue = 12;
        entry.averageThirds = 12;
        entry.verdict = verdict;
        entry.received = std::chrono::sys_days(std::chrono::year(2026) / 12 / 10);
        entry.facts = "{}";
        const Proof proof{"{}", "recorded\n"};
        ASSERT_EQ(store_->Put(entry, verdict == Verdict::Replayed ? &proof : nullptr).kind,
                  PutKind::Created);
    }

    // Every entry, replayed first.
    QJsonArray Scores() { return Json(Get("/api/scores?verdict=all")->body).array(); }

    testing::ScratchFolder folder_{"scores-service"};
    NamingPainter painter_;
    std::unique_ptr<Store> store_;
    testing::FaultyStore* faulty_ = nullptr;
    std::unique_ptr<Service> service_;
    std::thread serving_;
    std::unique_ptr<httplib::Client> client_;
};

Form WithText(std::string text) {
    Form form;
    form.text = std::move(text);
    return form;
}

// A session played through at the window's pace and its text: a genuine pair.
struct Genuine {
    std::string text;
    std::string recording;
};
Genuine GenuineSession(std::vector<int> hitsPerGame = {4, 2}) {
    testing::SessionPlan plan;
    plan.hitsPerGame = std::move(hitsPerGame);
    plan.lateMs = [](std::size_t k) { return static_cast<std::uint64_t>(k % 5 == 0); };
    const auto session = testing::RecordSession(plan);
    return {session.clipboard.at(0), session.recording};
}

TEST_F(ScoreService, ASealedTextIsStoredAndListed) {
    Form form;
    form.nickname = "  Ann\tLee ";
    form.text = "  " + SealedText("27", "19.333") + "\r\n";  // pasted with blanks and a line end
    const auto created = Post(form);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->status, 201) << created->body;
    const QJsonObject answer = Json(created->body).object();
    EXPECT_EQ(answer.keys(), (QStringList{"average", "best", "date", "id", "verdict"}));
    EXPECT_EQ(answer["verdict"], "sealed");
    EXPECT_EQ(answer["best"], 27);
    EXPECT_EQ(answer["average"], "19.333");
    EXPECT_EQ(answer["date"], "5/16/2001");

    const QJsonArray scores = Scores();
    ASSERT_EQ(scores.size(), 1);
    const QJsonObject entry = scores[0].toObject();
    EXPECT_EQ(entry.keys(), (QStringList{"average", "best", "city", "country", "date", "id",
                                         "nickname", "received", "state", "verdict"}));
    EXPECT_EQ(entry["id"], answer["id"]);
    EXPECT_EQ(entry["nickname"], "Ann Lee");
    EXPECT_EQ(entry["city"], "Oslo");
    EXPECT_EQ(entry["state"], "");
    EXPECT_EQ(entry["country"], "Norway");
    EXPECT_EQ(entry["verdict"], "sealed");
    EXPECT_TRUE(QString(entry["received"].toString()).endsWith("Z"));
}

TEST_F(ScoreService, TheSameTextAgainIsAnsweredWithTheStoredEntry) {
    Form first;
    first.text = SealedText("5", "1.666");
    const auto created = Post(first);
    ASSERT_EQ(created->status, 201);
    Form again = first;
    again.nickname = "Someone Else";
    const auto repeated = Post(again);
    ASSERT_EQ(repeated->status, 200) << repeated->body;
    const QJsonObject stored = Json(repeated->body).object();
    EXPECT_EQ(stored["id"], Json(created->body).object()["id"]);
    EXPECT_EQ(stored["nickname"], "Ann");
    EXPECT_EQ(stored["verdict"], "sealed");
    EXPECT_EQ(Scores().size(), 1);
}

TEST_F(ScoreService, SubmissionsThatDoNotHoldAreRefusedWithTheReason) {
    const std::string valid = SealedText("12", "4.000");
    std::string changed = valid;
    changed[20] = '3';  // best 13: the code no longer matches
    const Genuine genuine = GenuineSession();
    struct Case {
        const char* what;
        Form form;
        int status;
        std::string reason;
    };
    std::vector<Case> cases;
    for (const char* name : {"nickname", "city", "state", "country", "text"}) {
        cases.push_back({"no field", {}, 400, std::string("missing field ") + name});
    }
    for (std::size_t i = 0; i < 5; ++i) cases[i].form.text = valid;
    const auto without = [](httplib::MultipartFormDataItems items, const std::string& name) {
        std::erase_if(items, [&](const auto& item) { return item.name == name; });
        return items;
    };
    const auto reasonOf = [](const std::string& text) { return CheckSubmission(text).reason; };
    cases.push_back({"a changed score", {}, 422, reasonOf(changed)});
    cases.back().form.text = changed;
    cases.push_back({"no text at all", {}, 422, reasonOf("")});
    cases.push_back({"a nickname too long", {}, 400, "nickname is longer than 40 characters"});
    cases.back().form.nickname = std::string(41, 'n');
    cases.back().form.text = valid;
    cases.push_back({"a nickname of invisible characters", {}, 400, "nickname is empty"});
    cases.back().form.nickname = "\xE2\x80\x8B\x07 ";
    cases.back().form.text = valid;
    cases.push_back({"a city too long", {}, 400, "city is longer than 60 characters"});
    cases.back().form.city = std::string(61, 'c');
    cases.back().form.text = valid;
    cases.push_back({"a recording of another game", {}, 422, "not produced by the recorded game"});
    cases.back().form.text = valid;
    cases.back().form.recording = genuine.recording;
    cases.push_back({"a recording that is no script", {}, 422, ""});
    cases.back().form.text = genuine.text;
    cases.back().form.recording = "this is not a script\n";

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(std::string(c.what) + ": " + c.reason);
        httplib::MultipartFormDataItems items = Items(c.form);
        if (c.status == 400 && c.reason.starts_with("missing field "))
            items = without(items, c.reason.substr(14));
        const auto answer = client_->Post("/api/submissions", items);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, c.status) << answer->body;
        const QString error = Json(answer->body).object()["error"].toString();
        if (c.reason.empty()) {
            EXPECT_TRUE(error.startsWith("cannot replay the recording: line 1: "))
                << error.toStdString();
        } else {
            EXPECT_EQ(error.toStdString(), c.reason);
        }
    }

    // A field twice, and a body that is not a form.
    httplib::MultipartFormDataItems twice = Items(WithText(valid));
    twice.push_back({"nickname", "Bob", "", ""});
    const auto doubled = client_->Post("/api/submissions", twice);
    EXPECT_EQ(doubled->status, 400);
    EXPECT_EQ(Json(doubled->body).object()["error"], "field nickname given more than once");
    const auto plain =
        client_->Post("/api/submissions", "nickname=Ann", "application/x-www-form-urlencoded");
    EXPECT_EQ(plain->status, 400);
    EXPECT_TRUE(
        Json(plain->body).object()["error"].toString().startsWith("send multipart/form-data"));

    EXPECT_EQ(Scores().size(), 0);
}

TEST_F(ScoreService, ARecordingThatWroteTheTextProvesIt) {
    const Genuine genuine = GenuineSession();
    Form form;
    form.text = genuine.text;
    form.recording = genuine.recording;
    const auto created = Post(form);
    ASSERT_EQ(created->status, 201) << created->body;
    const QJsonObject answer = Json(created->body).object();
    EXPECT_EQ(answer["verdict"], "replayed");
    const std::string id = std::to_string(answer["id"].toInteger());

    const QJsonObject detail = Json(Get("/api/submissions/" + id)->body).object();
    EXPECT_EQ(detail["text"].toString().toStdString(), genuine.text);
    const QJsonObject played = detail["howPlayed"].toObject();
    EXPECT_EQ(played["recording"], true);
    EXPECT_EQ(played["games"], 2);
    EXPECT_EQ(played["goodPresses"], 6);
    EXPECT_EQ(played["wakeLateMs"].toObject()["max"], 1);
    EXPECT_EQ(played["reactionMs"].toObject()["count"], 6);
    EXPECT_EQ(played["date"].toObject()["future"], false);

    const auto recording = Get("/submissions/" + id + "/recording");
    EXPECT_EQ(recording->status, 200);
    EXPECT_EQ(recording->body, genuine.recording);
    EXPECT_NE(recording->get_header_value("Content-Disposition").find("attachment"),
              std::string::npos);

    // The board the replay ended on: four hits was the best game.
    const auto picture = Get("/submissions/" + id + "/board.png");
    EXPECT_EQ(picture->status, 200);
    EXPECT_EQ(picture->get_header_value("Content-Type"), "image/png");
    EXPECT_EQ(picture->body, "picture of a board with best 4");
    EXPECT_EQ(Get("/submissions/" + id + "/board.png")->body, picture->body);
    EXPECT_EQ(painter_.drawn, 1);  // drawn once, then kept

    const std::string page = Get("/submissions/" + id)->body;
    EXPECT_NE(page.find("replayed"), std::string::npos);
    // The wake-ups on time out of all counted, said to prove nothing by themselves: a real
    // window's thread wakes on time as a program's recording does.
    const QJsonObject wakes = played["wakeLateMs"].toObject();
    EXPECT_GT(wakes["count"].toInteger(), 0);
    EXPECT_NE(page.find("; " + std::to_string(wakes["onTime"].toInteger()) + " of " +
                        std::to_string(wakes["count"].toInteger()) + " on the very millisecond"),
              std::string::npos);
    EXPECT_NE(page.find("this alone tells nothing of who played"), std::string::npos);
    EXPECT_NE(page.find("/submissions/" + id + "/board.png"), std::string::npos);
    EXPECT_NE(page.find("gyrolap --replay gyrolap-" + id + ".gyrolap"), std::string::npos);
}

// A player who sends the session's recording alone, with no text field or an empty one: the
// service replays it and stores the best text it made, as if that text had been pasted.
TEST_F(ScoreService, ARecordingAloneProvesTheBestTextItsSessionPutOnTheClipboard) {
    struct Case {
        const char* what;
        std::vector<int> hitsPerGame;
        std::size_t chosen;  // which of the session's texts
    };
    for (const Case& c : {
             // Best scores 3, 5, 5: of the two with the highest, the one with the higher average.
             Case{"a better average after the best game", {3, 5, 1}, 2},
             // Best 5 each time, the average rising with every game.
             Case{"the best score first, the averages rising after it", {5, 4, 2}, 2},
             // The same best and average twice: the later text.
             Case{"the same board twice", {6, 0}, 1},
         }) {
        SCOPED_TRACE(c.what);
        testing::SessionPlan plan;
        plan.hitsPerGame = c.hitsPerGame;
        plan.submit = false;
        plan.submitEachGame = true;
        const auto session = testing::RecordSession(plan);
        ASSERT_EQ(session.clipboard.size(), c.hitsPerGame.size());
        for (const bool withField : {false, true}) {
            Form form;
            form.nickname = std::string("Player ") + (withField ? "B" : "A") + c.what;
            form.nickname.resize(40);
            form.text = "  \r\n";  // an empty box on the form
            form.recording = session.recording;
            httplib::MultipartFormDataItems items = Items(form);
            if (!withField)
                std::erase_if(items, [](const auto& item) { return item.name == "text"; });
            const auto answer = client_->Post("/api/submissions", items);
            ASSERT_TRUE(answer);
            ASSERT_EQ(answer->status, withField ? 200 : 201) << answer->body;
            const QJsonObject created = Json(answer->body).object();
            EXPECT_EQ(created["verdict"], "replayed");
            const std::string id = std::to_string(created["id"].toInteger());
            const QJsonObject detail = Json(Get("/api/submissions/" + id)->body).object();
            EXPECT_EQ(detail["text"].toString().toStdString(), session.clipboard[c.chosen]);
        }
    }
}

TEST_F(ScoreService, ARecordingAloneThatNeverPressedSubmitScoreIsRefusedWithHowToMakeOne) {
    testing::SessionPlan plan;
    plan.submit = false;
    const auto session = testing::RecordSession(plan);
    ASSERT_TRUE(session.clipboard.empty());
    Form form;
    form.recording = session.recording;
    httplib::MultipartFormDataItems items = Items(form);
    std::erase_if(items, [](const auto& item) { return item.name == "text"; });
    const auto answer = client_->Post("/api/submissions", items);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 422);
    const std::string error = Json(answer->body).object()["error"].toString().toStdString();
    EXPECT_EQ(error.rfind("the recording holds no submission text: its session never pressed "
                          "Submit Score. Press Submit Score in Gyrolap after a game",
                          0),
              0u)
        << error;
    EXPECT_EQ(Scores().size(), 0);
}

// A session that ended badly (a closed terminal, a crash) leaves its recording without
// its last lines and perhaps half a line; what it did write still proves the text.
TEST_F(ScoreService, ACutRecordingStillProvesTheTextItWrote) {
    const Genuine genuine = GenuineSession();
    std::string cut = genuine.recording;
    cut.pop_back();                  // the final line end
    cut.erase(cut.rfind('\n') + 1);  // the end line itself
    const std::size_t whole = static_cast<std::size_t>(std::count(cut.begin(), cut.end(), '\n'));
    cut += genuine.recording.substr(0, 5);  // and a torn start of a line
    Form form;
    form.text = genuine.text;
    form.recording = cut;
    const auto created = Post(form);
    ASSERT_EQ(created->status, 201) << created->body;
    const QJsonObject answer = Json(created->body).object();
    EXPECT_EQ(answer["verdict"], "replayed");
    const std::string id = std::to_string(answer["id"].toInteger());

    const QJsonObject played =
        Json(Get("/api/submissions/" + id)->body).object()["howPlayed"].toObject();
    EXPECT_EQ(played["cutAfterLine"].toInteger(), static_cast<qint64>(whole));
    EXPECT_NE(Get("/submissions/" + id)->body.find("after line " + std::to_string(whole)),
              std::string::npos);
}

TEST_F(ScoreService, ALaterRecordingUpgradesASealedEntryToItsPlayer) {
    const Genuine genuine = GenuineSession();
    Form sealed;
    sealed.nickname = "First To Paste";
    sealed.text = genuine.text;
    const auto created = Post(sealed);
    ASSERT_EQ(created->status, 201);
    EXPECT_EQ(Json(created->body).object()["verdict"], "sealed");

    Form proved;
    proved.nickname = "Player";
    proved.city = "Bergen";
    proved.text = genuine.text;
    proved.recording = genuine.recording;
    const auto upgraded = Post(proved);
    ASSERT_EQ(upgraded->status, 200) << upgraded->body;
    const QJsonObject entry = Json(upgraded->body).object();
    EXPECT_EQ(entry["id"], Json(created->body).object()["id"]);
    EXPECT_EQ(entry["verdict"], "replayed");
    EXPECT_EQ(entry["nickname"], "Player");
    EXPECT_EQ(entry["city"], "Bergen");

    // Sealed again later, it stays replayed and keeps its player.
    const auto again = Post(sealed);
    EXPECT_EQ(again->status, 200);
    EXPECT_EQ(Json(again->body).object()["verdict"], "replayed");
    EXPECT_EQ(Json(again->body).object()["nickname"], "Player");
    EXPECT_EQ(Scores().size(), 1);
}

TEST_F(ScoreService, TheSameTextFromManyClientsAtOnceIsStoredOnce) {
    constexpr int kClients = 8;
    const std::string text = SealedText("27", "19.333");
    std::vector<int> statuses(kClients);
    std::vector<qint64> ids(kClients);
    std::vector<std::thread> clients;
    std::atomic<int> ready = 0;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&, i] {
            httplib::Client client("127.0.0.1", service_->Port());
            Form form;
            form.nickname = "Client " + std::to_string(i);
            form.text = text;
            const auto items = Items(form);
            ++ready;
            while (ready < kClients) std::this_thread::yield();
            const auto answer = client.Post("/api/submissions", items);
            statuses[i] = answer ? answer->status : -1;
            ids[i] = answer ? Json(answer->body).object()["id"].toInteger() : -1;
        });
    }
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 201), 1);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 200), kClients - 1);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), ids[0]), kClients);
    EXPECT_EQ(Scores().size(), 1);
}

TEST_F(ScoreService, TheLeaderboardListsTheBestFirst) {
    struct Posted {
        const char* best;
        const char* average;
    };
    // In the order they are sent; the ties on best are settled by the average, then by who came
    // first.
    // A third and two thirds are written .333 and .666: two thirds rank higher. Two equal
    // scores rank by who came first.
    const Posted posted[] = {{"5", "1.666"},  {"27", "19.333"},  {"12", "4.000"}, {"27", "20.000"},
                             {"12", "5.000"}, {"100", "33.333"}, {"9", "7.333"},  {"9", "7.666"},
                             {"9", "7.000"},  {"9", "7.666"}};
    float draw = 0.1f;
    int sent = 0;
    for (const Posted& p : posted) {
        Form form;
        form.nickname =
            std::string("best ") + p.best + " average " + p.average + " #" + std::to_string(++sent);
        // Distinct texts for equal scores: the date differs.
        form.text =
            SealedText(p.best, p.average, "5/" + std::to_string(sent) + "/2001", draw += 0.05f);
        ASSERT_EQ(Post(form)->status, 201);
    }
    std::vector<std::string> order;
    for (const auto& entry : Scores())
        order.push_back(entry.toObject()["nickname"].toString().toStdString());
    EXPECT_EQ(order,
              (std::vector<std::string>{"best 100 average 33.333 #6", "best 27 average 20.000 #4",
                                        "best 27 average 19.333 #2", "best 12 average 5.000 #5",
                                        "best 12 average 4.000 #3", "best 9 average 7.666 #8",
                                        "best 9 average 7.666 #10", "best 9 average 7.333 #7",
                                        "best 9 average 7.000 #9", "best 5 average 1.666 #1"}));
    const QJsonArray page = Json(Get("/api/scores?verdict=sealed&offset=1&limit=2")->body).array();
    ASSERT_EQ(page.size(), 2);
    EXPECT_EQ(page[0].toObject()["nickname"], "best 27 average 20.000 #4");
    EXPECT_EQ(Get("/api/scores?limit=ten")->status, 400);

    // Sealed, they are claims: listed in the same order on the claims' page.
    const std::string html = Get("/claims")->body;
    EXPECT_LT(html.find("best 100 average 33.333 #6"), html.find("best 5 average 1.666 #1"));
}

TEST_F(ScoreService, StoredStringsAreShownAsTextOnPagesAndInJson) {
    const std::string nickname = "<script>alert(\"x\")</script> & 'q' \\";
    Form form;
    form.nickname = nickname;
    form.city = "<img src=x onerror=alert(1)>";
    form.text = SealedText("27", "19.333");
    const auto created = Post(form);
    ASSERT_EQ(created->status, 201);
    const std::string id = std::to_string(Json(created->body).object()["id"].toInteger());

    EXPECT_EQ(Scores()[0].toObject()["nickname"].toString().toStdString(), nickname);
    EXPECT_EQ(Json(Get("/api/submissions/" + id)->body).object()["city"],
              "<img src=x onerror=alert(1)>");
    for (const std::string& path : {std::string("/claims"), "/submissions/" + id}) {
        SCOPED_TRACE(path);
        const auto page = Get(path);
        EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
        EXPECT_EQ(page->body.find("<script>"), std::string::npos);
        EXPECT_EQ(page->body.find("<img src=x"), std::string::npos);
        EXPECT_NE(page->body.find("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; 'q' \\"),
                  std::string::npos);
    }
}

TEST_F(ScoreService, TheFormIsAnsweredWithAPage) {
    const std::string form = Get("/submit")->body;
    for (const char* field : {"nickname", "city", "state", "country", "text", "recording"})
        EXPECT_NE(form.find(std::string("name=\"") + field + "\""), std::string::npos) << field;
    EXPECT_NE(form.find("action=\"/submit\""), std::string::npos);

    // The form's own route, and the API asked for a page as older forms asked it.
    struct Route {
        const char* path;
        bool replyField;
    };
    int n = 0;
    for (const Route route : {Route{"/submit", false}, Route{"/api/submissions", true}}) {
        SCOPED_TRACE(route.path);
        httplib::MultipartFormDataItems items =
            Items(WithText(SealedText("12", "4.000", "5/" + std::to_string(++n) + "/2001")));
        if (route.replyField) items.push_back({"reply", "page", "", ""});
        items.push_back({"recording", "", "", "application/octet-stream"});  // no file chosen
        const auto answer = client_->Post(route.path, items);
        EXPECT_EQ(answer->status, 201);
        EXPECT_EQ(answer->get_header_value("Content-Type"), "text/html; charset=utf-8");
        EXPECT_NE(answer->body.find("Your score is on the leaderboard"), std::string::npos);
        EXPECT_NE(answer->body.find("href=\"/submissions/"), std::string::npos);

        httplib::MultipartFormDataItems wrong = Items(WithText("GY"));
        if (route.replyField) wrong.push_back({"reply", "page", "", ""});
        const auto refused = client_->Post(route.path, wrong);
        EXPECT_EQ(refused->status, 422);
        EXPECT_EQ(refused->get_header_value("Content-Type"), "text/html; charset=utf-8");
        EXPECT_NE(refused->body.find("Not taken: "), std::string::npos);
    }
    EXPECT_EQ(Scores()[0].toObject()["verdict"], "sealed");

    // Refused at its head, before the body is read, the form still gets a page.
    const std::string tooLarge = RawExchange(
        service_->Port(),
        "POST /submit HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; boundary=b\r\n"
        "Content-Length: " +
            std::to_string(kMaxRequestBytes + 1) + "\r\n\r\n");
    EXPECT_EQ(tooLarge.substr(0, 12), "HTTP/1.1 413") << tooLarge;
    EXPECT_NE(tooLarge.find("Content-Type: text/html; charset=utf-8"), std::string::npos);
    EXPECT_NE(tooLarge.find("Not taken: the request is larger than"), std::string::npos);
}

TEST_F(ScoreService, ADateInTheFutureIsFlagged) {
    Stop();
    ServiceOptions options = Unlimited();
    options.now = [] {
        return std::chrono::sys_days(std::chrono::year(2026) / 12 / 10) + std::chrono::hours(9);
    };
    Start(options);
    const auto created = Post(WithText(SealedText("27", "19.333", "12/24/2026")));
    ASSERT_EQ(created->status, 201);
    const std::string id = std::to_string(Json(created->body).object()["id"].toInteger());
    const QJsonObject detail = Json(Get("/api/submissions/" + id)->body).object();
    EXPECT_EQ(detail["received"], "2026-12-10T09:00:00Z");
    const QJsonObject date = detail["howPlayed"].toObject()["date"].toObject();
    EXPECT_EQ(date["future"], true);
    EXPECT_EQ(date["readings"].toArray()[0].toObject()["daysBeforeReceived"], -14);
    EXPECT_NE(Get("/submissions/" + id)->body.find("in the future"), std::string::npos);
}

TEST_F(ScoreService, BusyReplaysAreToldToComeBackLater) {
    Stop();
    ServiceOptions options = Unlimited();
    options.replaySlots = 1;
    options.slotWait = std::chrono::milliseconds(0);
    Start(options);
    const Genuine genuine = GenuineSession();
    Form form;
    form.text = genuine.text;
    form.recording = genuine.recording;

    ASSERT_TRUE(service_->ReplaySlots().Take(std::chrono::milliseconds(0)));
    const auto busy = Post(form);
    EXPECT_EQ(busy->status, 503);
    EXPECT_EQ(busy->get_header_value("Retry-After"), "2");
    EXPECT_EQ(Scores().size(), 0);
    service_->ReplaySlots().Give();
    EXPECT_EQ(Post(form)->status, 201);
}

TEST_F(ScoreService, BodiesTooLargeOrUnboundedAreRefusedBeforeTheyAreRead) {
    const std::string head =
        "POST /api/submissions HTTP/1.1\r\nHost: x\r\n"
        "Content-Type: multipart/form-data; boundary=b\r\n";
    struct Case {
        const char* what;
        std::string headers;
        std::string status;
        std::string reason = "";
    };
    const Case cases[] = {
        {"one byte over the bound", "Content-Length: " + std::to_string(kMaxRequestBytes + 1),
         "413"},
        {"far over the bound", "Content-Length: 99999999999999", "413"},
        {"no length", "Connection: keep-alive", "411"},
        {"in chunks", "Transfer-Encoding: chunked", "411"},
        {"compressed", "Content-Length: 100\r\nContent-Encoding: gzip", "415"},
        {"a length that is no number", "Content-Length: 12abc", "400"},
        {"waiting for a go-ahead", "Content-Length: 99999999999\r\nExpect: 100-continue", "413"},
        // Two lengths: a proxy and the service could each read a different one.
        {"two lengths", "Content-Length: 0\r\nContent-Length: 0", "400",
         "the Content-Length is not one number"},
        {"two lengths that differ", "Content-Length: 0\r\nContent-Length: 70000", "400",
         "the Content-Length is not one number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Only the head is sent: the answer must come without the body.
        const std::string answer = RawExchange(service_->Port(), head + c.headers + "\r\n\r\n");
        EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 " + c.status) << answer;
        EXPECT_NE(answer.find("Connection: close"), std::string::npos);
        EXPECT_NE(answer.find("{\"error\":"), std::string::npos);
        if (!c.reason.empty()) {
            EXPECT_NE(answer.find("{\"error\":\"" + c.reason + "\"}"), std::string::npos) << answer;
        }
    }
    // A head without an end is cut off at its bound.
    const std::string endless = "GET / HTTP/1.1\r\nX-Long: " + std::string(1 << 20, 'a');
    const std::string cut = RawExchange(service_->Port(), endless);
    EXPECT_EQ(cut.find("200 OK"), std::string::npos) << cut.substr(0, 40);
    // And the service goes on serving.
    EXPECT_EQ(Get("/api/scores")->status, 200);
}

// What comes after a head the service could not read is no request of its own: it is answered
// once and the connection closed, never read on as further requests.
TEST_F(ScoreService, ABrokenHeadIsAnsweredOnceAndItsConnectionClosed) {
    const std::string honest = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
    std::string lines = "GET / HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 10000; ++i) lines += "X-Line: " + std::to_string(i) + "\r\n";
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"a request line that is none", "NOT A REQUEST\r\n\r\n" + honest + honest},
        {"a header line longer than any read, its tail a request",
         "GET / HTTP/1.1\r\nHost: x\r\nX-Long: " + std::string(9000, 'a') + "\r\n\r\n" + honest},
        {"ten thousand header lines", lines + "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string answer = RawExchange(service_->Port(), c.bytes);
        EXPECT_EQ(answer.substr(0, 10), "HTTP/1.1 4") << answer.substr(0, 80);
        std::size_t answers = 0;
        for (std::size_t at = answer.find("HTTP/1.1 "); at != std::string::npos;
             at = answer.find("HTTP/1.1 ", at + 1))
            ++answers;
        EXPECT_EQ(answers, 1u) << answer.substr(0, 200);
        EXPECT_NE(answer.find("Connection: close"), std::string::npos) << answer.substr(0, 200);
    }
    EXPECT_EQ(Get("/api/scores")->status, 200);
}

TEST_F(ScoreService, WhatIsNotThereIsNotFound) {
    EXPECT_EQ(Get("/api/submissions/7")->status, 404);
    EXPECT_EQ(Json(Get("/api/submissions/7")->body).object()["error"], "no such entry");
    EXPECT_EQ(Get("/submissions/7")->status, 404);
    EXPECT_EQ(Get("/submissions/99999999999999999999")->status, 404);
    EXPECT_EQ(Get("/nowhere")->status, 404);
    // A sealed entry has neither a board nor a recording.
    const auto created = Post(WithText(SealedText("5", "1.666")));
    const std::string id = std::to_string(Json(created->body).object()["id"].toInteger());
    EXPECT_EQ(Get("/submissions/" + id + "/board.png")->status, 404);
    EXPECT_EQ(Get("/submissions/" + id + "/recording")->status, 404);
}

TEST_F(ScoreService, BusyUploadsAreToldToComeBackLaterBeforeTheBodyIsRead) {
    Stop();
    ServiceOptions options = Unlimited();
    options.uploadSlots = 1;
    options.slotWait = std::chrono::milliseconds(0);
    Start(options);
    // The one place for a large upload is held, as a slow upload would hold it.
    ASSERT_TRUE(service_->UploadSlots().Take(std::chrono::milliseconds(0)));
    const std::size_t length = kSmallRequestBytes + 1;
    const std::string head =
        "POST /api/submissions HTTP/1.1\r\nHost: x\r\n"
        "Content-Type: multipart/form-data; boundary=b\r\nContent-Length: " +
        std::to_string(length) + "\r\n\r\n";
    const std::string busy = RawExchange(service_->Port(), head);
    EXPECT_EQ(busy.substr(0, 12), "HTTP/1.1 503") << busy;
    EXPECT_NE(busy.find("Retry-After: 2"), std::string::npos) << busy;
    EXPECT_NE(busy.find("too many uploads at once"), std::string::npos) << busy;
    // A small body needs no such place.
    EXPECT_EQ(Post(WithText(SealedText("12", "4.000")))->status, 201);
    service_->UploadSlots().Give();
    // With the place free, a large upload is read and judged.
    Form large = WithText(SealedText("27", "19.333"));
    large.nickname = std::string(kSmallRequestBytes, ' ') + "Ann";
    const auto taken = Post(large);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->status, 201) << taken->body;
}

TEST_F(ScoreService, AnEmptyRecordingFileIsRefusedNotTakenForNone) {
    Form form = WithText(SealedText("12", "4.000"));
    form.recording = "";  // a file chosen that holds nothing
    const auto answer = Post(form);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 422) << answer->body;
    EXPECT_TRUE(
        Json(answer->body).object()["error"].toString().startsWith("cannot replay the recording: "))
        << answer->body;
    EXPECT_EQ(Scores().size(), 0);
}

TEST_F(ScoreService, ARecordingProvesEveryTextItsSessionWrote) {
    // Submit Score after the first game and again at the end, with a better board.
    testing::SessionPlan plan;
    plan.hitsPerGame = {2, 5};
    plan.submitAfterGames = {1};
    const auto session = testing::RecordSession(plan);
    ASSERT_EQ(session.clipboard.size(), 2u);
    ASSERT_NE(session.clipboard[0], session.clipboard[1]);
    for (const std::string& text : session.clipboard) {
        SCOPED_TRACE(text);
        Form form = WithText(text);
        form.recording = session.recording;
        const auto answer = Post(form);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 201) << answer->body;
        EXPECT_EQ(Json(answer->body).object()["verdict"], "replayed");
    }
}

TEST_F(ScoreService, ARecordingIsReplayedUpToItsBoundAndRefusedOneByteOver) {
    const Genuine genuine = GenuineSession();
    // Comment lines after the first line make the recording as long as wanted.
    const auto padded = [&](std::size_t size) {
        const std::size_t firstLine = genuine.recording.find('\n') + 1;
        std::string pad;
        const std::size_t wanted = size - genuine.recording.size();
        while (pad.size() < wanted) {
            const std::size_t line = std::min<std::size_t>(1000, wanted - pad.size());
            pad += line == 1 ? std::string("\n") : "#" + std::string(line - 2, 'p') + "\n";
        }
        std::string recording = genuine.recording;
        recording.insert(firstLine, pad);
        return recording;
    };
    Form form = WithText(genuine.text);
    form.recording = padded(kMaxRecordingBytes);
    ASSERT_EQ(form.recording->size(), kMaxRecordingBytes);
    const auto atBound = Post(form);
    ASSERT_TRUE(atBound);
    EXPECT_EQ(atBound->status, 201) << atBound->body;
    EXPECT_EQ(Json(atBound->body).object()["verdict"], "replayed");

    Stop();
    std::filesystem::remove_all(folder_.path() / "scores.sqlite");
    std::filesystem::remove_all(folder_.path() / "scores.sqlite-wal");
    std::filesystem::remove_all(folder_.path() / "scores.sqlite-shm");
    Start(Unlimited());
    form.recording = padded(kMaxRecordingBytes + 1);
    const auto over = Post(form);
    ASSERT_TRUE(over);
    EXPECT_EQ(over->status, 422) << over->body;
    EXPECT_NE(Json(over->body)
                  .object()["error"]
                  .toString()
                  .toStdString()
                  .find(std::to_string(kMaxRecordingBytes)),
              std::string::npos)
        << over->body;
    EXPECT_EQ(Scores().size(), 0);
}

TEST_F(ScoreService, AnUpgradedEntryKeepsTheRecordingThatProvedIt) {
    const Genuine genuine = GenuineSession();
    const auto sealed = Post(WithText(genuine.text));
    ASSERT_EQ(sealed->status, 201);
    const std::string id = std::to_string(Json(sealed->body).object()["id"].toInteger());
    EXPECT_EQ(Get("/submissions/" + id + "/recording")->status, 404);
    Form proved = WithText(genuine.text);
    proved.recording = genuine.recording;
    ASSERT_EQ(Post(proved)->status, 200);
    const auto recording = Get("/submissions/" + id + "/recording");
    EXPECT_EQ(recording->status, 200);
    EXPECT_EQ(recording->body, genuine.recording);
    EXPECT_EQ(Get("/submissions/" + id + "/board.png")->status, 200);
}

TEST_F(ScoreService, TheLeaderboardLinksOnOnlyWhereAnotherPageHasEntries) {
    const auto put = [&](int i) { StoreDirectly(i, Verdict::Replayed); };
    for (int i = 0; i < 100; ++i) put(i);
    const std::string full = Get("/")->body;
    EXPECT_NE(full.find(">player 99<"), std::string::npos);
    EXPECT_EQ(full.find("More scores"), std::string::npos);
    EXPECT_EQ(full.find("?page=1"), std::string::npos);

    put(100);
    const std::string first = Get("/")->body;
    EXPECT_NE(first.find("<a href=\"/?page=1\">More scores</a>"), std::string::npos);
    EXPECT_EQ(first.find(">player 100<"), std::string::npos);
    const std::string second = Get("/?page=1")->body;
    EXPECT_NE(second.find(">player 100<"), std::string::npos);
    EXPECT_NE(second.find("<td class=\"num\">101</td>"), std::string::npos);
    EXPECT_NE(second.find("<a href=\"/?page=0\">Better scores</a>"), std::string::npos);
    EXPECT_EQ(second.find("More scores"), std::string::npos);
}

TEST_F(ScoreService, AStoreThatFailsIsAnsweredHonestlyAndNothingIsClaimedStored) {
    Stop();
    Start(Unlimited(), true);
    faulty_->failWrites = true;
    for (const char* path : {"/api/submissions", "/submit"}) {
        SCOPED_TRACE(path);
        const auto failed = client_->Post(path, Items(WithText(SealedText("12", "4.000"))));
        ASSERT_TRUE(failed);
        EXPECT_EQ(failed->status, 500) << failed->body;
        EXPECT_NE(failed->body.find("the score could not be stored; try again later"),
                  std::string::npos)
            << failed->body;
        EXPECT_FALSE(failed->has_header("Location"));
    }
    faulty_->failWrites = false;
    EXPECT_EQ(Scores().size(), 0);
    EXPECT_EQ(Post(WithText(SealedText("12", "4.000")))->status, 201);

    faulty_->failReads = true;
    const auto page = Get("/");
    EXPECT_EQ(page->status, 500);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_EQ(page->body.find("disk full"), std::string::npos);
    const auto api = Get("/api/scores");
    EXPECT_EQ(api->status, 500);
    EXPECT_EQ(Json(api->body).object()["error"], "internal error");
    EXPECT_EQ(api->body.find("connection lost"), std::string::npos);
}

TEST_F(ScoreService, TheBoardRanksProofsAndListsClaimsApart) {
    // Anyone can work out a code: a forged best far above anything played, sealed.
    Form forged = WithText(SealedText("999999999", "333333333.000"));
    forged.nickname = "Forger";
    ASSERT_EQ(Post(forged)->status, 201);
    const Genuine genuine = GenuineSession({4, 2});
    Form played = WithText(genuine.text);
    played.nickname = "Player";
    played.recording = genuine.recording;
    ASSERT_EQ(Post(played)->status, 201);

    const std::string board = Get("/")->body;
    EXPECT_NE(board.find(">Player<"), std::string::npos);
    EXPECT_EQ(board.find("Forger"), std::string::npos);
    EXPECT_NE(board.find("<td class=\"num\">1</td><td class=\"nickname\"><a href=\"/submissions/"),
              std::string::npos);
    const std::string claims = Get("/claims")->body;
    EXPECT_NE(claims.find("<h1>Claims</h1>"), std::string::npos);
    EXPECT_NE(claims.find(">Forger<"), std::string::npos);
    EXPECT_EQ(claims.find("Player"), std::string::npos);

    const auto names = [&](const std::string& query) {
        std::string listed;
        for (const auto& entry : Json(Get("/api/scores" + query)->body).array())
            listed +=
                (listed.empty() ? "" : " ") + entry.toObject()["nickname"].toString().toStdString();
        return listed;
    };
    EXPECT_EQ(names(""), "Player");
    EXPECT_EQ(names("?verdict=replayed"), "Player");
    EXPECT_EQ(names("?verdict=sealed"), "Forger");
    EXPECT_EQ(names("?verdict=all"), "Player Forger");
    for (const char* query : {"?verdict=proved", "?limit=0", "?limit=1001", "?verdict="}) {
        SCOPED_TRACE(query);
        const auto refused = Get(std::string("/api/scores") + query);
        EXPECT_EQ(refused->status, 400);
        EXPECT_TRUE(Json(refused->body).object().contains("error"));
    }
    EXPECT_EQ(Get("/api/scores?limit=1000")->status, 200);
    // The entry's own page is as it was, whatever its verdict.
    const std::string forgedId = std::to_string(
        Json(Get("/api/scores?verdict=sealed")->body).array()[0].toObject()["id"].toInteger());
    EXPECT_EQ(Get("/submissions/" + forgedId)->status, 200);
}

TEST_F(ScoreService, TheJsonListingGivesAHundredUnlessAskedForMore) {
    for (int i = 0; i < 101; ++i) StoreDirectly(i, Verdict::Sealed);
    EXPECT_EQ(Json(Get("/api/scores?verdict=sealed")->body).array().size(), 100);
    EXPECT_EQ(Json(Get("/api/scores?verdict=sealed&limit=1000")->body).array().size(), 101);
    EXPECT_EQ(Json(Get("/api/scores?verdict=sealed&offset=100")->body).array().size(), 1);
}

TEST_F(ScoreService, OneAddressCannotFloodTheBoard) {
    Stop();
    ServiceOptions options = Unlimited();
    options.submissionsPerMinute = 3;
    Start(options);
    int n = 0;
    const auto post = [&](const char* path, const httplib::Headers& headers) {
        const std::string text = SealedText("12", "4.000", "6/" + std::to_string(++n) + "/2001");
        return client_->Post(path, headers, Items(WithText(text)));
    };
    // Refused or not, each submission costs the sender one.
    EXPECT_EQ(post("/api/submissions", {})->status, 201);
    EXPECT_EQ(client_->Post("/api/submissions", Items(WithText("GY")))->status, 422);
    EXPECT_EQ(post("/api/submissions", {})->status, 201);
    const auto refused = post("/api/submissions", {});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 429);
    EXPECT_EQ(refused->get_header_value("Retry-After"), "20");  // a minute's third
    EXPECT_EQ(Json(refused->body).object()["error"],
              "too many submissions from your address; try again in 20 seconds");
    const auto page = post("/submit", {});
    EXPECT_EQ(page->status, 429);
    EXPECT_NE(page->body.find("Not taken: too many submissions"), std::string::npos);
    // A header naming another client counts for nothing when no proxy is trusted.
    EXPECT_EQ(post("/api/submissions", {{"X-Forwarded-For", "192.0.2.7"}})->status, 429);
    EXPECT_EQ(Scores().size(), 2);
    // Reading is never limited.
    EXPECT_EQ(Get("/")->status, 200);
}

TEST_F(ScoreService, BehindATrustedProxyEachClientHasItsOwnLimit) {
    Stop();
    ServiceOptions options = Unlimited();
    options.submissionsPerMinute = 2;
    options.trustedProxy = "127.0.0.1";  // the tests' own connections come from the proxy
    Start(options);
    int n = 0;
    const auto post = [&](const std::string& forwarded) {
        const std::string text = SealedText("12", "4.000", "7/" + std::to_string(++n) + "/2001");
        httplib::Headers headers;
        if (!forwarded.empty()) headers.emplace("X-Forwarded-For", forwarded);
        return client_->Post("/api/submissions", headers, Items(WithText(text)))->status;
    };
    EXPECT_EQ(post("192.0.2.1"), 201);
    EXPECT_EQ(post("192.0.2.1"), 201);
    EXPECT_EQ(post("192.0.2.1"), 429);
    // The proxy names the client last; what a client wrote before it is its own word.
    EXPECT_EQ(post("192.0.2.2, 192.0.2.1"), 429);
    EXPECT_EQ(post("192.0.2.1, 2001:db8::5"), 201);
    EXPECT_EQ(post(" 2001:db8::5 "), 201);
    EXPECT_EQ(post("2001:db8::5"), 429);
    // Without the header, or with what is no address, the proxy itself is the client.
    EXPECT_EQ(post(""), 201);
    EXPECT_EQ(post("not an address"), 201);
    EXPECT_EQ(post(""), 429);
}

// A database file removed or replaced under the service: what is written after is in a file no
// restart will open, so nothing is answered as stored.
TEST_F(ScoreService, ADatabaseFileRemovedOrReplacedIsNoticedBeforeAnyAnswer) {
    const auto file = folder_.path() / "scores.sqlite";
    int n = 0;
    const auto post = [&] {
        return Post(WithText(SealedText("12", "4.000", "8/" + std::to_string(++n) + "/2001")));
    };
    ASSERT_EQ(post()->status, 201);
    struct Case {
        const char* what;
        std::function<void()> change;
        const char* says;
    };
    const Case cases[] = {
        {"removed", [&] { std::filesystem::remove(file); }, "is gone"},
        {"replaced",
         [&] {
             std::filesystem::copy_file(file.string() + "-wal", folder_.path() / "other");
             std::filesystem::rename(folder_.path() / "other", file);
         },
         "was replaced by another file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Stop();
        std::filesystem::remove_all(folder_.path());
        std::filesystem::create_directories(folder_.path());
        Start(Unlimited());
        ASSERT_EQ(post()->status, 201);
        c.change();
        for (int i = 0; i < 3; ++i) {
            const auto refused = post();
            ASSERT_TRUE(refused);
            EXPECT_EQ(refused->status, 503) << refused->body;
            EXPECT_EQ(refused->get_header_value("Retry-After"), "30");
            EXPECT_EQ(Json(refused->body).object()["error"],
                      "the score page cannot store scores at the moment; try again in a minute");
        }
    }
}

TEST_F(ScoreService, ADatabaseAwayIsAnswered503ForWritesAndReads) {
    Stop();
    Start(Unlimited(), true);
    faulty_->unavailable = true;
    const auto write = Post(WithText(SealedText("12", "4.000")));
    EXPECT_EQ(write->status, 503);
    EXPECT_EQ(write->get_header_value("Retry-After"), "30");
    for (const char* path : {"/", "/api/scores"}) {
        SCOPED_TRACE(path);
        const auto read = Get(path);
        EXPECT_EQ(read->status, 503);
        EXPECT_EQ(read->get_header_value("Retry-After"), "30");
        EXPECT_EQ(read->body.find("away (on purpose)"), std::string::npos);
    }
    faulty_->unavailable = false;
    EXPECT_EQ(Post(WithText(SealedText("12", "4.000")))->status, 201);
}

}  // namespace
}  // namespace gyrolap::scores
