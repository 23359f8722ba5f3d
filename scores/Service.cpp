// SPDX-License-Identifier: MIT
// The score page over HTTP; see Service.h.
//
// cpp-httplib reads requests and writes answers. What a stranger may send is bounded below it:
// every connection reads through a stream that hands the library at most one request's worth of
// bytes (its head and the largest body taken) within a deadline, so no line without an end and
// no body of endless chunks can make the process grow. A body announced larger than that, sent
// in chunks or compressed is refused as soon as the head is read, and the connection is closed
// after the answer.
#include "scores/Service.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <list>
#include <mutex>

#include "scores/DateFacts.h"
#include "scores/Json.h"
#include "scores/Limits.h"
#include "scores/Pages.h"
#include "scores/StoredBoard.h"
#include "scores/Submission.h"
#include "submit/SafeText.h"

namespace gyrolap::scores {
namespace {

using Clock = std::chrono::steady_clock;
using httplib::Request;
using httplib::Response;

constexpr const char* kJson = "application/json";
constexpr const char* kHtml = "text/html; charset=utf-8";

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
// Board pictures kept drawn.
constexpr std::size_t kPictureCache = 32;

class BoundedStream;

// One request on its connection: the stream, told how much body to let through once the head
// is read; whether to close after the answer; the place among the large uploads held until the
// request is done.
struct RequestScope {
    BoundedStream* stream = nullptr;
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

class BoundedServer final : public httplib::Server {
  public:
    // Stops taking connections, also when the accepting loop has not started yet (the
    // library's stop() does nothing then, and the loop would run on).
    void Halt() {
        const socket_t sock = svr_sock_.exchange(INVALID_SOCKET);
        if (sock == INVALID_SOCKET) return;
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
    }

    // The library listens with a backlog of 5: a browser opens six connections at once, and a
    // connection beyond the backlog waits a second for the handshake to be tried again.
    void WidenBacklog() {
        const socket_t sock = svr_sock_;
        if (sock != INVALID_SOCKET) ::listen(sock, SOMAXCONN);
    }

  private:
    bool process_and_close_socket(socket_t sock) override {
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
};

bool IsApi(const Request& req) {
    return req.path.rfind("/api/", 0) == 0;
}

void Answer(Response& res, int status, const std::string& body, const char* type) {
    res.status = status;
    res.set_content(body, type);
}

// A request refused before its body is read; the connection closes after the answer.
void RefuseUnread(const Request& req, Response& res, int status, const std::string& reason) {
    if (tRequest) tRequest->closeAfter = true;
    res.set_header("Connection", "close");
    if (IsApi(req)) {
        Answer(res, status, ErrorJson(reason), kJson);
    } else {
        Answer(res, status, MessagePage(status, reason), kHtml);
    }
}

std::optional<std::uint64_t> Digits(std::string_view text) {
    std::uint64_t value = 0;
    if (text.empty() || text.size() > 18) return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string NowUtc(std::chrono::system_clock::time_point now) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

void Log(const std::string& message) {
    std::fprintf(stderr, "gyrolap-scores: %s\n", message.c_str());
}

}  // namespace

class Service::Impl {
  public:
    Impl(Store& store, BoardPainter* painter, ServiceOptions options)
        : store_(store),
          painter_(painter),
          options_(std::move(options)),
          replays_(options_.replaySlots),
          uploads_(options_.uploadSlots) {
        const std::size_t threads = options_.threads;
        server_.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
        server_.set_payload_max_length(kMaxRequestBytes);
        server_.set_tcp_nodelay(true);
        // What the library says in its Keep-Alive header; the connection loop below keeps it.
        server_.set_keep_alive_max_count(kRequestsPerConnection);
        server_.set_keep_alive_timeout(kKeepAlive.count());
        server_.set_default_headers({
            {"X-Content-Type-Options", "nosniff"},
            {"Content-Security-Policy",
             "default-src 'none'; style-src 'self'; img-src 'self'; form-action 'self'; "
             "frame-ancestors 'none'; base-uri 'none'"},
            {"Referrer-Policy", "no-referrer"},
        });
        server_.set_expect_100_continue_handler([this](const Request& req, Response& res) {
            return Screen(req, res) ? 100 : res.status;
        });
        server_.set_pre_routing_handler([this](const Request& req, Response& res) {
            return Screen(req, res) ? httplib::Server::HandlerResponse::Unhandled
                                    : httplib::Server::HandlerResponse::Handled;
        });
        server_.set_error_handler(
            httplib::Server::HandlerWithResponse([](const Request& req, Response& res) {
                if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
                const std::string what = res.status == 404   ? "not found"
                                         : res.status == 405 ? "method not allowed"
                                         : res.status < 500  ? "bad request"
                                                             : "internal error";
                if (IsApi(req)) {
                    res.set_content(ErrorJson(what), kJson);
                } else {
                    res.set_content(MessagePage(res.status, what), kHtml);
                }
                return httplib::Server::HandlerResponse::Handled;
            }));
        server_.set_exception_handler(
            [](const Request& req, Response& res, std::exception_ptr error) {
                std::string what = "unknown";
                try {
                    std::rethrow_exception(error);
                } catch (const std::exception& e) {
                    what = e.what();
                } catch (...) {
                }
                Log("internal error on " + Shortened(req.method, 16) + " " +
                    Shortened(req.path, 200) + ": " + what);
                res.status = 500;
                res.set_content(
                    IsApi(req) ? ErrorJson("internal error") : MessagePage(500, "internal error"),
                    IsApi(req) ? kJson : kHtml);
            });

        server_.Get("/", [this](const Request& req, Response& res) { Leaderboard(req, res); });
        server_.Get("/submit",
                    [](const Request&, Response& res) { Answer(res, 200, SubmitPage(), kHtml); });
        server_.Get("/style.css", [](const Request&, Response& res) {
            res.set_content(std::string(StyleSheet()), "text/css; charset=utf-8");
        });
        server_.Get("/api/scores", [this](const Request& req, Response& res) { Scores(req, res); });
        server_.Post("/api/submissions",
                     [this](const Request& req, Response& res) { Submit(req, res); });
        server_.Get(R"(/api/submissions/(\d{1,18}))",
                    [this](const Request& req, Response& res) { Detail(req, res, true); });
        server_.Get(R"(/submissions/(\d{1,18}))",
                    [this](const Request& req, Response& res) { Detail(req, res, false); });
        server_.Get(R"(/submissions/(\d{1,18})/board\.png)",
                    [this](const Request& req, Response& res) { Picture(req, res); });
        server_.Get(R"(/submissions/(\d{1,18})/recording)",
                    [this](const Request& req, Response& res) { Download(req, res); });
    }

  private:
    // Looks at a request's head before its body is read: true to go on, false when refused
    // (the answer is then in `res`).
    bool Screen(const Request& req, Response& res) {
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
            if (!uploads_.Take(options_.slotWait)) {
                res.set_header("Retry-After", "2");
                RefuseUnread(req, res, 503, "too many uploads at once; try again in a moment");
                return false;
            }
            tRequest->upload = SlotHeld(uploads_);
        }
        if (tRequest) tRequest->stream->AllowBody(*length);
        return true;
    }

    void Leaderboard(const Request& req, Response& res) {
        std::size_t page = 0;
        if (req.has_param("page")) page = Digits(req.get_param_value("page")).value_or(0);
        const std::size_t total = store_.Count();
        page = std::min<std::size_t>(page, total / kEntriesPerPage + 1);
        const auto entries = store_.Scores(page * kEntriesPerPage, kEntriesPerPage);
        Answer(res, 200, LeaderboardPage(entries, page, total), kHtml);
    }

    void Scores(const Request& req, Response& res) {
        std::size_t offset = 0, limit = 0;
        for (auto [name, value] : {std::pair{"offset", &offset}, std::pair{"limit", &limit}}) {
            if (!req.has_param(name)) continue;
            const auto number = Digits(req.get_param_value(name));
            if (!number) {
                Answer(res, 400, ErrorJson(std::string(name) + " is not a whole number"), kJson);
                return;
            }
            *value = *number;
        }
        Answer(res, 200, ScoresJson(store_.Scores(offset, limit)), kJson);
    }

    void Submit(const Request& req, Response& res) {
        const bool page = FirstField(req, "reply") == "page";
        const auto refuse = [&](int status, const std::string& reason) {
            if (page) {
                Answer(res, status, ResultPage(status, "Not taken: " + reason, std::nullopt),
                       kHtml);
            } else {
                Answer(res, status, ErrorJson(reason), kJson);
            }
        };
        if (!req.is_multipart_form_data()) {
            refuse(400,
                   "send multipart/form-data with the fields nickname, city, state, country "
                   "and text, and a file recording if you have one (a recording alone, "
                   "without text, sends the best text it made)");
            return;
        }
        SubmissionForm form;
        for (auto [name, value] :
             {std::pair{"nickname", &form.nickname}, std::pair{"city", &form.city},
              std::pair{"state", &form.state}, std::pair{"country", &form.country},
              std::pair{"text", &form.text}}) {
            const std::size_t count = req.files.count(name);
            // The text may be left out when a recording comes: it is taken from the recording.
            if (count == 0 && value == &form.text) continue;
            if (count != 1) {
                refuse(400, count == 0 ? std::string("missing field ") + name
                                       : std::string("field ") + name + " given more than once");
                return;
            }
            *value = req.files.find(name)->second.content;
        }
        const std::size_t recordings = req.files.count("recording");
        if (recordings > 1) {
            refuse(400, "field recording given more than once");
            return;
        }
        if (recordings == 1) {
            const httplib::MultipartFormData& part = req.files.find("recording")->second;
            // A form whose file field was left empty still sends the field, with no file name
            // and no bytes.
            if (!part.content.empty() || !part.filename.empty()) form.recording = part.content;
        }
        if (req.files.count("text") == 0 && !form.recording) {
            refuse(400, "missing field text");
            return;
        }

        Judgement judgement = Judge(form, {replays_, options_.slotWait}, NowUtc(options_.now()));
        if (judgement.refusal != 0) {
            if (judgement.refusal == 503) res.set_header("Retry-After", "2");
            refuse(judgement.refusal, judgement.reason);
            return;
        }
        PutResult stored;
        try {
            stored = store_.Put(judgement.entry);
        } catch (const StoreError& error) {
            Log(std::string("cannot store a submission: ") + error.what());
            refuse(500, "the score could not be stored; try again later");
            return;
        }
        const Entry& entry = stored.entry;
        const int status = stored.kind == PutKind::Created ? 201 : 200;
        if (status == 201)
            res.set_header("Location", "/api/submissions/" + std::to_string(entry.id));
        if (page) {
            const char* message = stored.kind == PutKind::Created
                                      ? "Your score is on the leaderboard"
                                  : stored.kind == PutKind::Upgraded
                                      ? "Your recording proves the score: it is replayed now"
                                      : "This text is on the leaderboard already";
            Answer(res, status, ResultPage(status, message, entry), kHtml);
        } else {
            Answer(res, status, status == 201 ? CreatedJson(entry) : EntryJson(entry), kJson);
        }
    }

    // The entry named by the path, or an answer that it is not there.
    std::optional<Entry> Named(const Request& req, Response& res, bool json) {
        const auto id = Digits(req.matches[1].str());
        std::optional<Entry> entry;
        if (id) entry = store_.Find(static_cast<std::int64_t>(*id));
        if (!entry) {
            if (json) {
                Answer(res, 404, ErrorJson("no such entry"), kJson);
            } else {
                Answer(res, 404, MessagePage(404, "no such entry"), kHtml);
            }
        }
        return entry;
    }

    void Detail(const Request& req, Response& res, bool json) {
        const auto entry = Named(req, res, json);
        if (!entry) return;
        const auto received = DayOf(entry->received);
        const DateFacts date =
            FactsOfDate(entry->date, received.value_or(std::chrono::floor<std::chrono::days>(
                                         std::chrono::system_clock::now())));
        if (json) {
            Answer(res, 200, EntryDetailJson(*entry, date), kJson);
        } else {
            const bool board = painter_ && entry->verdict == kReplayed;
            Answer(res, 200, EntryPage(*entry, date, board), kHtml);
        }
    }

    void Picture(const Request& req, Response& res) {
        const auto id = Digits(req.matches[1].str());
        std::string png;
        if (id && painter_) png = Drawn(static_cast<std::int64_t>(*id));
        if (png.empty()) {
            Answer(res, 404, MessagePage(404, "no board for this entry"), kHtml);
            return;
        }
        res.set_header("Cache-Control", "public, max-age=86400");
        res.set_content(png, "image/png");
    }

    // The board's picture, drawn once and kept for a while.
    std::string Drawn(std::int64_t id) {
        {
            std::lock_guard lock(pictures_);
            for (auto at = drawn_.begin(); at != drawn_.end(); ++at) {
                if (at->first != id) continue;
                drawn_.splice(drawn_.begin(), drawn_, at);
                return at->second;
            }
        }
        const auto text = store_.Board(id);
        if (!text) return {};
        const auto board = BoardFromText(*text);
        if (!board) {
            Log("the stored board of entry " + std::to_string(id) + " cannot be read");
            return {};
        }
        std::string png = painter_->Png(*board);
        if (png.empty()) return {};
        std::lock_guard lock(pictures_);
        drawn_.emplace_front(id, png);
        if (drawn_.size() > kPictureCache) drawn_.pop_back();
        return png;
    }

    void Download(const Request& req, Response& res) {
        const auto id = Digits(req.matches[1].str());
        std::optional<std::string> recording;
        if (id) recording = store_.Recording(static_cast<std::int64_t>(*id));
        if (!recording) {
            Answer(res, 404, MessagePage(404, "no recording for this entry"), kHtml);
            return;
        }
        res.set_header("Content-Disposition",
                       "attachment; filename=\"gyrolap-" + std::to_string(*id) + ".script\"");
        res.set_content(*recording, "text/plain; charset=utf-8");
    }

    static std::string FirstField(const Request& req, const char* name) {
        const auto found = req.files.find(name);
        return found == req.files.end() ? std::string() : found->second.content;
    }

    Store& store_;
    BoardPainter* painter_;
    ServiceOptions options_;

  public:
    Slots replays_;
    BoundedServer server_;
    int port_ = 0;

  private:
    Slots uploads_;
    std::mutex pictures_;
    std::list<std::pair<std::int64_t, std::string>> drawn_;
};

Service::Service(Store& store, BoardPainter* painter, ServiceOptions options)
    : impl_(std::make_unique<Impl>(store, painter, std::move(options))) {}

Service::~Service() = default;

bool Service::Bind(const std::string& host, int port) {
    if (port == 0) {
        port = impl_->server_.bind_to_any_port(host);
        if (port <= 0) return false;
    } else if (!impl_->server_.bind_to_port(host, port)) {
        return false;
    }
    impl_->port_ = port;
    impl_->server_.WidenBacklog();
    return true;
}

int Service::Port() const {
    return impl_->port_;
}

void Service::Run() {
    impl_->server_.listen_after_bind();
}

void Service::Stop() {
    impl_->server_.Halt();
}

Slots& Service::ReplaySlots() {
    return impl_->replays_;
}

}  // namespace gyrolap::scores
