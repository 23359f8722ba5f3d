// SPDX-License-Identifier: MIT
// The score page over HTTP: the submissions API, the leaderboard as JSON and as a page, the
// form, and each entry with its board, its recording and how it was played. Each route is
// answered in one format, a page or JSON, whatever happens to the request.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "scores/intake/Slots.h"
#include "scores/pages/BoardPicture.h"
#include "scores/store/Store.h"

namespace gyrolap::scores {

struct ServiceOptions {
    // Replays at once; a submission with a recording waits `slotWait` for a place, then is
    // told to come back (503).
    std::size_t replaySlots = 2;
    // Requests with a body larger than kSmallRequestBytes at once, which bounds the memory
    // that uploads hold.
    std::size_t uploadSlots = 4;
    std::chrono::milliseconds slotWait{2000};
    // Connections served at once; more wait for a thread.
    std::size_t threads = 32;
    // Submissions a minute from one client address, at most that many at once; 0 for no limit.
    std::size_t submissionsPerMinute = 30;
    // The address of the reverse proxy in front, whose X-Forwarded-For names the client;
    // empty when there is none, and the header is then ignored.
    std::string trustedProxy;
    // The time entries are stamped with as received (UTC).
    std::function<std::chrono::system_clock::time_point()> now = [] {
        return std::chrono::system_clock::now();
    };
};

class Service {
  public:
    // `painter` may be null: entries then have no board picture.
    Service(Store& store, BoardPainter* painter, ServiceOptions options = {});
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Binds to `host` and `port` (0: any free port); false when it cannot.
    bool Bind(const std::string& host, int port);
    // The port bound.
    int Port() const;
    // Serves until Stop(); returns once every connection is done.
    void Run();
    // From any thread.
    void Stop();

    // The places of replays and of large uploads, for the tests to hold.
    Slots& ReplaySlots();
    Slots& UploadSlots();

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace gyrolap::scores
