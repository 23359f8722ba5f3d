// SPDX-License-Identifier: MIT
// The bounded transport; see BoundedServer.h.
#include "scores/transport/BoundedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "scores/Limits.h"

namespace gyrolap::scores {
namespace {

using Clock = std::chrono::steady_clock;
using httplib::Request;
using httplib::Response;

// How long a connection may stay idle between requests, and how many it may make.
constexpr auto kKeepAlive = std::chrono::seconds(5);
constexpr std::size_t kRequestsPerConnection = 1000;
// One read or write may wait this long; a whole request, head and body, this long.
constexpr auto kReadWait = std::chrono::seconds(10);
constexpr auto kWriteWait = std::chrono::seconds(10);
constexpr auto kRequestDeadline = std::chrono::seconds(120);
// After refusing a body still on its way: what is read and dropped, at most, before closing,
// so that the client sees the answer rather than a reset connection.
constexpr std::size_t kLingerBytes = std::size_t{1} << 20;
constexpr auto kLinger = std::chrono::seconds(1);
// How often a waiting connection looks whether the service is stopping.
constexpr auto kStopCheck = std::chrono::milliseconds(100);

class BoundedStream;

// One request on its connection: the stream, told how much body to let through once the head
// is read; whether its head was read whole and screened; whether to close after the answer; the
// place among the large uploads held until the request is done.
struct RequestScope {
    BoundedStream* stream = nullptr;
    bool screened = false;
    bool closeAfter = false;
    SlotHeld upload;
};
thread_local RequestScope* tRequest = nullptr;

int Remaining(Clock::time_point deadline, std::chrono::milliseconds most) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::clamp(left, std::chrono::milliseconds(0), most).count());
}

// Waits until the socket can be read (or written); false on time-out or error.
bool PollFor(int sock, short events, int timeoutMs) {
    pollfd fd{sock, events, 0};
    for (;;) {
        const int result = ::poll(&fd, 1, timeoutMs);
        if (result > 0) return true;
        if (result == 0 || errno != EINTR) return false;
    }
}

std::string Address(const sockaddr_storage& address, int& port) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    return text;
}

// The socket as the library reads it, with the bounds above.
class BoundedStream final : public httplib::Stream {
  public:
    explicit BoundedStream(int sock) : sock_(sock) {}

    // A new request: its head may take kMaxHeadBytes, all of it must come by `deadline`.
    void StartRequest(Clock::time_point deadline) {
        budget_ = kMaxHeadBytes;
        deadline_ = deadline;
    }
    // The head is read and announces a body of `length` bytes, within the bounds: exactly
    // that much more may be read.
    void AllowBody(std::size_t length) { budget_ = length; }

    // Waits for the next request on a kept-alive connection; false when none comes in time or
    // the service stops.
    template <class Running>
    bool WaitForRequest(Running running) const {
        if (offset_ < length_) return true;
        const auto end = Clock::now() + kKeepAlive;
        while (running()) {
            if (PollFor(sock_, POLLIN, static_cast<int>(kStopCheck.count()))) return true;
            if (Clock::now() >= end) return false;
        }
        return false;
    }

    bool is_readable() const override {
        return offset_ < length_ || PollFor(sock_, POLLIN, ReadWaitMs());
    }
    bool is_writable() const override {
        return PollFor(sock_, POLLOUT, static_cast<int>(kWriteWait / std::chrono::milliseconds(1)));
    }

    ssize_t read(char* ptr, size_t size) override {
        if (budget_ == 0 || Clock::now() >= deadline_) return -1;
        size = std::min(size, budget_);
        if (offset_ >= length_) {
            if (!PollFor(sock_, POLLIN, ReadWaitMs())) return -1;
            ssize_t got;
            do {
                got = ::recv(sock_, buffer_, sizeof buffer_, 0);
            } while (got < 0 && errno == EINTR);
            if (got <= 0) return got;
            offset_ = 0;
            length_ = static_cast<std::size_t>(got);
        }
        const std::size_t n = std::min(size, length_ - offset_);
        std::memcpy(ptr, buffer_ + offset_, n);
        offset_ += n;
        budget_ -= n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        ssize_t sent;
        do {
            sent = ::send(sock_, ptr, size, MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        return sent;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getpeername(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            ip = Address(address, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getsockname(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            ip = Address(address, port);
    }
    socket_t socket() const override { return sock_; }

  private:
    int ReadWaitMs() const { return Remaining(deadline_, kReadWait); }

    int sock_;
    std::size_t budget_ = 0;
    Clock::time_point deadline_{};
    char buffer_[4096];
    std::size_t offset_ = 0;
    std::size_t length_ = 0;
};

// Answers, then reads and drops what the client still sends for a moment before closing, so
// that the answer is not lost to a reset.
void LingeringClose(int sock) {
    ::shutdown(sock, SHUT_WR);
    const auto end = Clock::now() + kLinger;
    char sink[4096];
    for (std::size_t dropped = 0; dropped < kLingerBytes;) {
        if (!PollFor(sock, POLLIN, Remaining(end, kLinger))) break;
        const ssize_t got = ::recv(sock, sink, sizeof sink, 0);
        if (got <= 0) break;
        dropped += static_cast<std::size_t>(got);
    }
    ::close(sock);
}

}  // namespace

std::optional<std::uint64_t> Digits(std::string_view text) {
    std::uint64_t value = 0;
    if (text.empty() || text.size() > 18) return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

BoundedServer::BoundedServer(std::size_t threads, std::size_t uploads,
                             std::chrono::milliseconds slotWait, Refuse refuse)
    : uploads_(uploads), slotWait_(slotWait), refuse_(std::move(refuse)) {
    new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    set_payload_max_length(kMaxRequestBytes);
    set_tcp_nodelay(true);
    // What the library says in its Keep-Alive header; the connection loop below keeps it.
    set_keep_alive_max_count(kRequestsPerConnection);
    set_keep_alive_timeout(kKeepAlive.count());
    set_expect_100_continue_handler(
        [this](const Request& req, Response& res) { return Screen(req, res) ? 100 : res.status; });
    set_pre_routing_handler([this](const Request& req, Response& res) {
        return Screen(req, res) ? HandlerResponse::Unhandled : HandlerResponse::Handled;
    });
}

void BoundedServer::Halt() {
    const socket_t sock = svr_sock_.exchange(INVALID_SOCKET);
    if (sock == INVALID_SOCKET) return;
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
}

void BoundedServer::OnError(HandlerWithResponse handler) {
    set_error_handler(
        HandlerWithResponse([handler = std::move(handler)](const Request& req, Response& res) {
            // Screen sees every head the library could read; an answer to one it never saw is
            // the library's refusal of a broken head.
            if (tRequest && !tRequest->screened) {
                tRequest->closeAfter = true;
                res.set_header("Connection", "close");
            }
            return handler(req, res);
        }));
}

void BoundedServer::WidenBacklog() {
    const socket_t sock = svr_sock_;
    if (sock != INVALID_SOCKET) ::listen(sock, SOMAXCONN);
}

bool BoundedServer::process_and_close_socket(socket_t sock) {
    BoundedStream stream(sock);
    bool ok = true;
    bool linger = false;
    const auto running = [this] { return svr_sock_ != INVALID_SOCKET; };
    for (std::size_t left = kRequestsPerConnection; left > 0; --left) {
        if (!stream.WaitForRequest(running)) break;
        stream.StartRequest(Clock::now() + kRequestDeadline);
        RequestScope scope;
        scope.stream = &stream;
        tRequest = &scope;
        bool closed = false;
        ok = process_request(stream, left == 1, closed, nullptr);
        tRequest = nullptr;
        linger = scope.closeAfter;
        if (!ok || closed || linger) break;
    }
    if (linger) {
        LingeringClose(sock);
    } else {
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
    }
    return ok;
}

// A request refused before its body is read; the connection closes after the answer.
void BoundedServer::RefuseUnread(const Request& req, Response& res, int status,
                                 const std::string& reason) {
    if (tRequest) tRequest->closeAfter = true;
    res.set_header("Connection", "close");
    refuse_(req, res, status, reason);
}

// Looks at a request's head before its body is read: true to go on, false when refused
// (the answer is then in `res`).
bool BoundedServer::Screen(const Request& req, Response& res) {
    if (tRequest) tRequest->screened = true;
    if (req.has_header("Transfer-Encoding")) {
        RefuseUnread(req, res, 411, "send the body with a Content-Length, not in chunks");
        return false;
    }
    if (req.has_header("Content-Encoding") &&
        req.get_header_value("Content-Encoding") != "identity") {
        // A compressed body could unpack to far more than its length says.
        RefuseUnread(req, res, 415, "send the body uncompressed");
        return false;
    }
    const std::size_t lengths = req.get_header_value_count("Content-Length");
    if (lengths == 0) {
        if (req.method == "POST" || req.method == "PUT" || req.method == "PATCH") {
            RefuseUnread(req, res, 411, "send the body with a Content-Length");
            return false;
        }
        if (tRequest) tRequest->stream->AllowBody(0);
        return true;
    }
    const auto length = Digits(req.get_header_value("Content-Length"));
    if (lengths > 1 || !length) {
        RefuseUnread(req, res, 400, "the Content-Length is not one number");
        return false;
    }
    if (*length > kMaxRequestBytes) {
        RefuseUnread(req, res, 413,
                     "the request is larger than " + std::to_string(kMaxRequestBytes) +
                         " bytes; a recording may hold at most " +
                         std::to_string(kMaxRecordingBytes) + " bytes");
        return false;
    }
    if (*length > kSmallRequestBytes && tRequest && !tRequest->upload) {
        if (!uploads_.Take(slotWait_)) {
            res.set_header("Retry-After", "2");
            RefuseUnread(req, res, 503, "too many uploads at once; try again in a moment");
            return false;
        }
        tRequest->upload = SlotHeld(uploads_);
    }
    if (tRequest) tRequest->stream->AllowBody(*length);
    return true;
}

}  // namespace gyrolap::scores
