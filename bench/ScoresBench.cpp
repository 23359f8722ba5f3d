// SPDX-License-Identifier: MIT
// The score page under load, on this machine's loopback only: gyrolap-scores with a fresh
// SQLite file takes 10,000 sealed texts over 16 kept-alive connections, then 200 texts with
// the recordings of the sessions that wrote them. Prints the rate, the latency per request
// (p50, p99, max), the service's peak memory, and how many accepted entries are stored; a bare
// thread's 1 ms sleeps measure the system's own wake-up meanwhile.
// Usage: bench_scores GYROLAP_SCORES [SEALED [RECORDED]]
#include <httplib.h>
#include <time.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "scores/ScoresProcess.h"
#include "scores/ScoresSupport.h"
#include "support/RecordedSession.h"

namespace {

using Clock = std::chrono::steady_clock;
using gyrolap::testing::Form;

constexpr int kConnections = 16;
// The whole bench stops here, whatever it has done.
constexpr auto kDeadline = std::chrono::seconds(240);

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Quantile(std::vector<double> values, double q) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

// Best, average and date of a board of three best scores; a different date for each i.
std::string SealedText(int i) {
    const int best = 1 + i % 997;
    const int sum = best + best / 2 + best / 3;
    const int whole = sum / 3;
    const char* thirds[] = {".000", ".333", ".666"};
    const std::string average = (whole == 0 ? "" : std::to_string(whole)) + thirds[sum % 3];
    const std::string date = std::to_string(1 + (i / 31) % 12) + "/" + std::to_string(1 + i % 31) +
                             "/" + std::to_string(1980 + i / 372);
    return gyrolap::testing::SealedText(std::to_string(best), average, date,
                                        static_cast<float>(i % 90) / 90.0f);
}

struct Phase {
    std::vector<double> latencyMs;
    std::set<qint64> accepted;
    int refused = 0;
    int failed = 0;
    double seconds = 0;
    double floorP99Ms = 0;
};

// The system's own wake-up, beside the service: how late a bare thread's 1 ms sleeps end.
class FloorSampler {
  public:
    FloorSampler()
        : thread_([this] {
              timespec next{};
              clock_gettime(CLOCK_MONOTONIC, &next);
              while (!stop_) {
                  next.tv_nsec += 1000000;
                  if (next.tv_nsec >= 1000000000) {
                      next.tv_nsec -= 1000000000;
                      ++next.tv_sec;
                  }
                  clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
                  timespec now{};
                  clock_gettime(CLOCK_MONOTONIC, &now);
                  late_.push_back(static_cast<double>(now.tv_sec - next.tv_sec) * 1e3 +
                                  static_cast<double>(now.tv_nsec - next.tv_nsec) / 1e6);
                  next = now;
              }
          }) {}
    double StopP99() {
        stop_ = true;
        thread_.join();
        return Quantile(late_, 0.99);
    }

  private:
    std::atomic<bool> stop_ = false;
    std::vector<double> late_;
    std::thread thread_;
};

Phase Post(int port, const std::vector<Form>& forms, Clock::time_point deadline) {
    Phase phase;
    std::mutex mutex;
    std::atomic<std::size_t> next = 0;
    FloorSampler floor;
    const auto start = Clock::now();
    std::vector<std::thread> connections;
    for (int c = 0; c < kConnections; ++c) {
        connections.emplace_back([&] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(
                true);  // as browsers do: no wait for an ACK between head and body
            client.set_read_timeout(std::chrono::seconds(30));
            std::vector<double> latency;
            std::vector<qint64> ids;
            int refused = 0, failed = 0;
            for (std::size_t i; (i = next++) < forms.size() && Clock::now() < deadline;) {
                const auto items = gyrolap::testing::Items(forms[i]);
                const auto sent = Clock::now();
                const auto answer = client.Post("/api/submissions", items);
                latency.push_back(Ms(Clock::now() - sent));
                if (!answer) {
                    if (++failed == 1)
                        std::fprintf(stderr, "no answer: %s\n",
                                     httplib::to_string(answer.error()).c_str());
                } else if (answer->status == 201) {
                    ids.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(answer->body))
                                      .object()["id"]
                                      .toInteger());
                } else {
                    ++refused;
                    if (refused == 1)
                        std::fprintf(stderr, "refused: %d %s\n", answer->status,
                                     answer->body.c_str());
                }
            }
            std::lock_guard lock(mutex);
            phase.latencyMs.insert(phase.latencyMs.end(), latency.begin(), latency.end());
            phase.accepted.insert(ids.begin(), ids.end());
            phase.refused += refused;
            phase.failed += failed;
        });
    }
    for (std::thread& connection : connections) connection.join();
    phase.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    phase.floorP99Ms = floor.StopP99();
    return phase;
}

void Print(const char* what, const Phase& phase, std::size_t sent) {
    std::printf("%-26s %6zu %8zu %8d %8.0f %8.2f %8.2f %8.2f %8.3f\n", what, sent,
                phase.accepted.size(), phase.refused + phase.failed,
                static_cast<double>(phase.latencyMs.size()) / phase.seconds,
                Quantile(phase.latencyMs, 0.5), Quantile(phase.latencyMs, 0.99),
                Quantile(phase.latencyMs, 1.0), phase.floorP99Ms);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: bench_scores GYROLAP_SCORES [SEALED [RECORDED]]\n");
        return 2;
    }
    const int sealedCount = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int recordedCount = argc > 3 ? std::atoi(argv[3]) : 200;
    const auto deadline = Clock::now() + kDeadline;

    // Everything is made before the clock starts.
    std::vector<Form> sealed, recorded;
    for (int i = 0; i < sealedCount; ++i) {
        Form form;
        form.nickname = "player " + std::to_string(i % 1000);
        form.text = SealedText(i);
        sealed.push_back(form);
    }
    std::size_t recordingBytes = 0;
    for (int i = 0; i < recordedCount; ++i) {
        gyrolap::testing::SessionPlan plan;
        plan.date = std::to_string(1 + i % 12) + "/" + std::to_string(1 + i / 12 % 28) + "/2026";
        plan.hitsPerGame = {3 + i % 7, 9 + i % 4, 2 + i % 5};
        plan.lateMs = [i](std::size_t k) {
            return static_cast<std::uint64_t>((k * 7 + i) % 11 == 0);
        };
        const auto session = gyrolap::testing::RecordSession(plan);
        Form form;
        form.nickname = "recorded " + std::to_string(i);
        form.text = session.clipboard.at(0);
        form.recording = session.recording;
        recordingBytes += session.recording.size();
        recorded.push_back(form);
    }

    gyrolap::testing::ScratchFolder folder("bench-scores");
    gyrolap::testing::ScoresProcess scores(argv[1],
                                           {"--listen", "127.0.0.1:0", "--database",
                                            "sqlite:" + (folder.path() / "scores.sqlite").string(),
                                            // Every post comes from this one address.
                                            "--submissions-per-minute", "0"});
    const int port = scores.Port();
    if (port <= 0) {
        std::fprintf(stderr, "bench_scores: gyrolap-scores did not start:\n%s\n",
                     scores.output().c_str());
        return 1;
    }
    const long startKiB = scores.MemoryKiB();
    const Phase sealedPhase = Post(port, sealed, deadline);
    const Phase recordedPhase = Post(port, recorded, deadline);
    const long peakKiB = scores.MemoryKiB("VmHWM:");

    // What the service lists afterwards, held against what it accepted.
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(std::chrono::seconds(60));
    std::set<qint64> stored;
    std::size_t replayed = 0;
    // A thousand at a time, the most the listing gives.
    for (std::size_t offset = 0;; offset += 1000) {
        const auto answer = client.Get(
            ("/api/scores?verdict=all&limit=1000&offset=" + std::to_string(offset)).c_str());
        if (!answer) break;
        const QJsonArray page =
            QJsonDocument::fromJson(QByteArray::fromStdString(answer->body)).array();
        for (const auto& entry : page) {
            stored.insert(entry.toObject()["id"].toInteger());
            replayed += entry.toObject()["verdict"].toString() == "replayed";
        }
        if (page.size() < 1000) break;
    }
    std::set<qint64> accepted = sealedPhase.accepted;
    accepted.insert(recordedPhase.accepted.begin(), recordedPhase.accepted.end());
    std::size_t lost = 0;
    for (const qint64 id : accepted) lost += stored.count(id) == 0;
    const bool timedOut = Clock::now() >= deadline;

    std::printf(
        "gyrolap-scores on 127.0.0.1, SQLite (WAL, flushed at every commit), "
        "%d connections kept alive\n\n",
        kConnections);
    std::printf("%-26s %6s %8s %8s %8s %8s %8s %8s %8s\n", "phase", "sent", "accepted", "refused",
                "req/s", "p50 ms", "p99 ms", "max ms", "floor99");
    Print("sealed texts", sealedPhase, sealed.size());
    Print("texts with recordings", recordedPhase, recorded.size());
    std::printf("\nrecordings: %zu bytes on average\n",
                recorded.empty() ? 0 : recordingBytes / recorded.size());
    std::printf("service memory: %ld KiB at start, peak (VmHWM) %ld KiB\n", startKiB, peakKiB);
    std::printf("stored %zu (%zu replayed), accepted %zu, accepted but not stored %zu%s\n",
                stored.size(), replayed, accepted.size(), lost,
                timedOut ? "  (stopped at the bench's deadline)" : "");
    std::printf(
        "\nsummary: sealed_per_s=%.0f sealed_p99_ms=%.2f recorded_per_s=%.1f "
        "recorded_p99_ms=%.2f peak_kib=%ld lost=%zu floor_p99_ms=%.3f\n",
        static_cast<double>(sealedPhase.latencyMs.size()) / sealedPhase.seconds,
        Quantile(sealedPhase.latencyMs, 0.99),
        static_cast<double>(recordedPhase.latencyMs.size()) / recordedPhase.seconds,
        Quantile(recordedPhase.latencyMs, 0.99), peakKiB, lost,
        std::max(sealedPhase.floorP99Ms, recordedPhase.floorP99Ms));
    scores.Stop(SIGTERM);
    return lost == 0 && !timedOut ? 0 : 1;
}
