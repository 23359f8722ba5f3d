// SPDX-License-Identifier: MIT
// gyrolap-scores as its users run it: its command line, its database made where the user's data
// lives, nothing accepted lost to a kill -9, and a body too large answered at once while the
// process keeps its size.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonObject>
#include <atomic>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "ScoresProcess.h"
#include "ScoresSupport.h"
#include "scores/Limits.h"
#include "support/RunCommand.h"

namespace gyrolap::testing {
namespace {

const std::string kProgram = GYROLAP_SCORES_BINARY;

TEST(ScoresProgram, TheCommandLineIsCheckedBeforeAnythingStarts) {
    struct Case {
        const char* args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"--help", 0, "usage: gyrolap-scores [--listen ADDRESS:PORT] [--database URL]"},
        {"--version", 0, "gyrolap-scores 2001.0516.1158"},
        {"--listen 8080", 2, "--listen wants ADDRESS:PORT, not 8080"},
        {"--listen 127.0.0.1:70000", 2, "--listen wants ADDRESS:PORT"},
        {"--listen 127.0.0.1:65536", 2, "--listen wants ADDRESS:PORT, not 127.0.0.1:65536"},
        {"--listen 127.0.0.1:", 2, "--listen wants ADDRESS:PORT"},
        {"--listen :8080", 2, "--listen wants ADDRESS:PORT"},
        {"--listen ::1:80", 2, "--listen wants ADDRESS:PORT"},
        {"--listen", 2, "--listen needs a value"},
        {"--database mysql://x --listen 127.0.0.1:0", 1, "neither sqlite:PATH nor postgresql://"},
        {"--database sqlite:/nonexistent/folder/x.sqlite --listen 127.0.0.1:0", 1,
         "cannot open the database /nonexistent/folder/x.sqlite"},
        {"--frobnicate", 2, "unknown argument --frobnicate"},
        {"--submissions-per-minute 1000001", 2,
         "--submissions-per-minute wants a whole number from 0 to 1000000, not 1000001"},
        {"--submissions-per-minute -1", 2, "--submissions-per-minute wants a whole number"},
        {"--submissions-per-minute", 2, "--submissions-per-minute needs a value"},
        {"--trust-proxy proxy.example", 2,
         "--trust-proxy wants the proxy's IP address, not proxy.example"},
        {"--trust-proxy 10.0.0.300", 2, "--trust-proxy wants the proxy's IP address"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const CommandResult result = RunCommand("'" + kProgram + "' " + c.args, "");
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE((result.out + result.err).find(c.says), std::string::npos)
            << result.out << result.err;
    }
}

TEST(ScoresProgram, TheHighestPortIsTaken) {
    ScratchFolder folder("scores-program-port");
    ScoresProcess scores(kProgram, {"--listen", "127.0.0.1:65535", "--database",
                                    "sqlite:" + (folder.path() / "scores.sqlite").string()});
    ASSERT_EQ(scores.Port(), 65535) << scores.output();
    EXPECT_EQ(scores.Stop(SIGTERM), 0);
}

// One replay at once per core it may run on, so a burst of recordings never makes replays share
// a core, and none is idle.
TEST(ScoresProgram, ReplaysAsManyRecordingsAtOnceAsItHasCores) {
    ScratchFolder folder("scores-program-cores");
    const std::string database = "sqlite:" + (folder.path() / "scores.sqlite").string();
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    const auto replaysOf = [&](const cpu_set_t& cores) {
        // The child inherits the affinity of the thread that starts it.
        EXPECT_EQ(sched_setaffinity(0, sizeof cores, &cores), 0);
        ScoresProcess scores(kProgram, {"--listen", "127.0.0.1:0", "--database", database});
        EXPECT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
        EXPECT_GT(scores.Port(), 0) << scores.output();
        const std::string& out = scores.output();
        const std::size_t at = out.find("replays at most ");
        return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 16);
    };
    EXPECT_EQ(replaysOf(all), CPU_COUNT(&all));
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &all)) continue;
        CPU_SET(cpu, &one);
        break;
    }
    EXPECT_EQ(replaysOf(one), 1);
}

// Many clients at once each hold a file: the service takes every file the hard limit allows.
TEST(ScoresProgram, OpenFilesAreRaisedToTheHardLimit) {
    ScratchFolder folder("scores-program-files");
    rlimit mine{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &mine), 0);
    // Started with a low soft limit, as a login session gives it, which the child inherits.
    rlimit low = mine;
    low.rlim_cur = std::min<rlim_t>(256, mine.rlim_max);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    ScoresProcess scores(kProgram, {"--listen", "127.0.0.1:0", "--database",
                                    "sqlite:" + (folder.path() / "scores.sqlite").string()});
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &mine), 0);
    ASSERT_GT(scores.Port(), 0) << scores.output();
    std::ifstream limits("/proc/" + std::to_string(scores.pid()) + "/limits");
    std::string line;
    while (std::getline(limits, line) && line.rfind("Max open files", 0) != 0) {
    }
    ASSERT_EQ(line.rfind("Max open files", 0), 0u);
    std::istringstream words(line.substr(14));
    std::string soft, hard;
    words >> soft >> hard;
    EXPECT_EQ(hard, mine.rlim_max == RLIM_INFINITY ? "unlimited" : std::to_string(mine.rlim_max));
    EXPECT_EQ(soft, hard) << line;
}

TEST(ScoresProgram, TheDatabaseIsMadeInTheUsersDataFolderAndAStopIsClean) {
    ScratchFolder folder("scores-program-data");
    const std::string data = (folder.path() / "data").string();
    ScoresProcess scores(kProgram, {"--listen", "127.0.0.1:0"}, {"XDG_DATA_HOME=" + data});
    const int port = scores.Port();
    ASSERT_GT(port, 0) << scores.output();
    const std::string file = data + "/gyrolap/scores.sqlite";
    EXPECT_NE(scores.output().find("from " + file), std::string::npos) << scores.output();
    struct stat info {};
    ASSERT_EQ(::stat((data + "/gyrolap").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    httplib::Client client("127.0.0.1", port);
    Form form;
    form.text = SealedText("27", "19.333");
    EXPECT_EQ(client.Post("/api/submissions", Items(form))->status, 201);
    EXPECT_EQ(scores.Stop(SIGTERM), 0);
    EXPECT_NE(scores.output().find("stopped"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(file));

    // A relative XDG_DATA_HOME does not count; the home folder's does.
    ScoresProcess again(kProgram, {"--listen", "127.0.0.1:0"},
                        {"XDG_DATA_HOME=relative/data", "HOME=" + folder.path().string()});
    ASSERT_GT(again.Port(), 0) << again.output();
    EXPECT_NE(again.output().find(folder.path().string() + "/.local/share/gyrolap/scores.sqlite"),
              std::string::npos)
        << again.output();
}

TEST(ScoresProgram, NothingAcceptedIsLostToAKill) {
    ScratchFolder folder("scores-program-kill");
    const std::string database = "sqlite:" + (folder.path() / "scores.sqlite").string();
    std::mutex mutex;
    std::set<qint64> accepted;
    {
        ScoresProcess scores(kProgram, {"--listen", "127.0.0.1:0", "--database", database,
                                        "--submissions-per-minute", "0"});
        const int port = scores.Port();
        ASSERT_GT(port, 0) << scores.output();
        // Clients keep sending while the service is killed: every text answered 201 before
        // the kill must be there after the restart.
        std::atomic<bool> killed = false;
        std::vector<std::thread> clients;
        for (int c = 0; c < 4; ++c) {
            clients.emplace_back([&, c] {
                httplib::Client client("127.0.0.1", port);
                for (int i = 0; !killed; ++i) {
                    Form form;
                    form.nickname = "client " + std::to_string(c);
                    // A distinct text each time: the date's day and month.
                    form.text = SealedText("12", "4.000",
                                           std::to_string(1 + i % 12) + "/" +
                                               std::to_string(1 + (i / 12) % 28) + "/" +
                                               std::to_string(2001 + c * 10 + i / 336));
                    const auto answer = client.Post("/api/submissions", Items(form));
                    if (!answer || answer->status != 201) continue;
                    std::lock_guard lock(mutex);
                    accepted.insert(Json(answer->body).object()["id"].toInteger());
                }
            });
        }
        for (;; std::this_thread::yield()) {
            std::lock_guard lock(mutex);
            if (accepted.size() >= 200) break;
        }
        EXPECT_EQ(scores.Stop(SIGKILL), -1);
        killed = true;
        for (std::thread& client : clients) client.join();
    }
    ScoresProcess restarted(kProgram, {"--listen", "127.0.0.1:0", "--database", database});
    const int port = restarted.Port();
    ASSERT_GT(port, 0) << restarted.output();
    httplib::Client client("127.0.0.1", port);
    std::set<qint64> stored;
    for (const auto& entry :
         Json(client.Get("/api/scores?verdict=sealed&limit=1000")->body).array())
        stored.insert(entry.toObject()["id"].toInteger());
    std::vector<qint64> lost;
    std::set_difference(accepted.begin(), accepted.end(), stored.begin(), stored.end(),
                        std::back_inserter(lost));
    EXPECT_GE(accepted.size(), 200u);
    EXPECT_TRUE(lost.empty()) << lost.size() << " accepted entries lost";
}

TEST(ScoresProgram, ABodyTooLargeIsAnsweredAtOnceAndThePageKeepsItsSize) {
    ScratchFolder folder("scores-program-large");
    ScoresProcess scores(kProgram, {"--listen", "127.0.0.1:0", "--database",
                                    "sqlite:" + (folder.path() / "scores.sqlite").string()});
    const int port = scores.Port();
    ASSERT_GT(port, 0) << scores.output();
    const long before = scores.MemoryKiB();
    // Each announces far more than the bound and sends 4 MiB of it: the answer comes without
    // the body being read, and the connection closes.
    const std::string head =
        "POST /api/submissions HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; "
        "boundary=b\r\nContent-Length: 100000000000\r\n\r\n";
    const std::string body(std::size_t{4} << 20, 'a');
    for (int round = 0; round < 10; ++round) {
        const std::string answer = RawExchange(port, head + body);
        ASSERT_EQ(answer.substr(0, 12), "HTTP/1.1 413") << answer.substr(0, 80);
    }
    // A head without an end, as long again.
    for (int round = 0; round < 10; ++round) RawExchange(port, "GET / HTTP/1.1\r\nX-Long: " + body);
    const long after = scores.MemoryKiB();
    // 80 MiB went to the socket; the process keeps within a few MiB of its size.
    EXPECT_LT(after - before, 8 * 1024) << before << " KiB before, " << after << " KiB after";
    httplib::Client client("127.0.0.1", port);
    EXPECT_EQ(client.Get("/api/scores")->status, 200);
}

}  // namespace
}  // namespace gyrolap::testing
