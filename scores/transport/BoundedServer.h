// SPDX-License-Identifier: MIT
// The score page's transport: cpp-httplib reading requests and writing answers, with what a
// stranger may send bounded below it.
//
// Every connection reads through a stream that hands the library at most one request's worth
// of bytes (its head and the largest body taken) within a deadline, so no line without an end
// and no body of endless chunks can make the process grow. A body announced larger than that,
// sent in chunks or compressed is refused as soon as the head is read, and the connection is
// closed after the answer. Large bodies take a place among a few before they are read.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "scores/intake/Slots.h"

namespace gyrolap::scores {

class BoundedServer final : public httplib::Server {
  public:
    // How a request refused at its head is answered; the caller renders it in the request's
    // format.
    using Refuse = std::function<void(const httplib::Request&, httplib::Response&, int status,
                                      const std::string& reason)>;

    // `uploads` requests with a body larger than kSmallRequestBytes at once, each waiting
    // `slotWait` for a place; `threads` connections served at once.
    BoundedServer(std::size_t threads, std::size_t uploads, std::chrono::milliseconds slotWait,
                  Refuse refuse);

    // Stops taking connections, also when the accepting loop has not started yet (the
    // library's stop() does nothing then, and the loop would run on).
    void Halt();
    // The library listens with a backlog of 5: a browser opens six connections at once, and a
    // connection beyond the backlog waits a second for the handshake to be tried again.
    void WidenBacklog();

    // How answers of 400 and above are completed, as the library's set_error_handler. A head
    // the library itself refused (a broken request line, a header line too long, more head
    // than the bound) is answered once and its connection closed: what follows on the
    // connection is no request of its own, and must not be read as one.
    void OnError(HandlerWithResponse handler);

    // The places of large uploads, for the tests to hold.
    Slots& UploadSlots() { return uploads_; }

  private:
    bool process_and_close_socket(socket_t sock) override;
    // Looks at a request's head before its body is read: true to go on, false when refused
    // (the answer is then in `res`).
    bool Screen(const httplib::Request& req, httplib::Response& res);
    void RefuseUnread(const httplib::Request& req, httplib::Response& res, int status,
                      const std::string& reason);

    Slots uploads_;
    std::chrono::milliseconds slotWait_;
    Refuse refuse_;
};

// The whole number `text` is, when it is digits alone (at most 18 of them).
std::optional<std::uint64_t> Digits(std::string_view text);

}  // namespace gyrolap::scores
