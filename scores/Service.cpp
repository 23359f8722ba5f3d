// SPDX-License-Identifier: MIT
// The score page's routes; see Service.h. The transport below (transport/) bounds what a
// stranger may send, the intake (intake/) judges and stores submissions, the pages and JSON
// (pages/) are made from the store's entries. What becomes of a request is said in one table
// of statuses and rendered in one place, in the format of its route.
#include "scores/Service.h"

#include <arpa/inet.h>

#include <cstdio>

#include "scores/intake/DateFacts.h"
#include "scores/intake/Intake.h"
#include "scores/intake/RateLimit.h"
#include "scores/pages/Json.h"
#include "scores/pages/Pages.h"
#include "scores/pages/PictureCache.h"
#include "scores/transport/BoundedServer.h"
#include "submit/SafeText.h"

namespace gyrolap::scores {
namespace {

using httplib::Request;
using httplib::Response;

constexpr const char* kJson = "application/json";
// How long a client is told to wait while the database is away.
constexpr int kDatabaseRetrySeconds = 30;
// What the JSON listing gives when not asked for a number, and the most it gives at once.
constexpr std::size_t kListedByDefault = 100;
constexpr std::size_t kMostListed = 1000;
constexpr const char* kHtml = "text/html; charset=utf-8";

// The status each outcome of a submission is answered with.
int StatusOf(OutcomeKind kind) {
    switch (kind) {
        case OutcomeKind::Created:
            return 201;
        case OutcomeKind::Existing:
        case OutcomeKind::Upgraded:
            return 200;
        case OutcomeKind::UnfitField:
            return 400;
        case OutcomeKind::DoesNotHold:
            return 422;
        case OutcomeKind::Busy:
        case OutcomeKind::StoreAway:
            return 503;
        case OutcomeKind::TooMany:
            return 429;
        case OutcomeKind::NotStored:
            return 500;
    }
    return 500;
}

// What a route answers with, decided by the route alone: the API speaks JSON, the rest pages.
// The form of older pages posted to the API with reply=page, and still gets a page.
enum class Format { Page, Json };

Format FormatOf(const Request& req) {
    if (req.path.rfind("/api/", 0) != 0) return Format::Page;
    const auto reply = req.files.find("reply");
    return reply != req.files.end() && reply->second.content == "page" ? Format::Page
                                                                       : Format::Json;
}

// Every answer that is not an entry or a listing: a refusal, a failure, nothing found.
void Refuse(const Request& req, Response& res, int status, const std::string& reason) {
    res.status = status;
    if (FormatOf(req) == Format::Json) {
        res.set_content(ErrorJson(reason), kJson);
    } else if (req.method == "POST" && (req.path == "/submit" || req.path == "/api/submissions")) {
        res.set_content(ResultPage(status, "Not taken: " + reason, std::nullopt), kHtml);
    } else {
        res.set_content(MessagePage(status, reason), kHtml);
    }
}

void Answer(Response& res, int status, const std::string& body, const char* type) {
    res.status = status;
    res.set_content(body, type);
}

bool IsAddress(const std::string& text) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, text.c_str(), bytes) == 1 ||
           inet_pton(AF_INET6, text.c_str(), bytes) == 1;
}

void Log(const std::string& message) {
    std::fprintf(stderr, "gyrolap-scores: %s\n", message.c_str());
}

}  // namespace

class Service::Impl {
  public:
    Impl(Store& store, BoardPainter* painter, ServiceOptions options)
        : store_(store),
          intake_(store, {options.replaySlots, options.slotWait, options.now}),
          pictures_(painter),
          submissions_(options.submissionsPerMinute),
          trustedProxy_(options.trustedProxy),
          server_(options.threads, options.uploadSlots, options.slotWait, Refuse) {
        server_.set_default_headers({
            {"X-Content-Type-Options", "nosniff"},
            {"Content-Security-Policy",
             "default-src 'none'; style-src 'self'; img-src 'self'; form-action 'self'; "
             "frame-ancestors 'none'; base-uri 'none'"},
            {"Referrer-Policy", "no-referrer"},
        });
        server_.OnError(httplib::Server::HandlerWithResponse([](const Request& req, Response& res) {
            if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            const std::string what = res.status == 404   ? "not found"
                                     : res.status == 405 ? "method not allowed"
                                     : res.status < 500  ? "bad request"
                                                         : "internal error";
            Refuse(req, res, res.status, what);
            return httplib::Server::HandlerResponse::Handled;
        }));
        server_.set_exception_handler(
            [](const Request& req, Response& res, std::exception_ptr error) {
                std::string what = "unknown";
                try {
                    std::rethrow_exception(error);
                } catch (const StoreUnavailable& e) {
                    // Reads come back by themselves once the database does.
                    Log("cannot read the database now, on " + Shortened(req.path, 200) + ": " +
                        e.what());
                    res.set_header("Retry-After", std::to_string(kDatabaseRetrySeconds));
                    Refuse(req, res, 503, "the score page's database is away; try again soon");
                    return;
                } catch (const std::exception& e) {
                    what = e.what();
                } catch (...) {
                }
                Log("internal error on " + Shortened(req.method, 16) + " " +
                    Shortened(req.path, 200) + ": " + what);
                Refuse(req, res, 500, "internal error");
            });

        server_.Get(
            "/", [this](const Request& req, Response& res) { Board(req, res, Listing::Replayed); });
        server_.Get("/claims", [this](const Request& req, Response& res) {
            Board(req, res, Listing::Sealed);
        });
        server_.Get("/submit",
                    [](const Request&, Response& res) { Answer(res, 200, SubmitPage(), kHtml); });
        server_.Post("/submit", [this](const Request& req, Response& res) { Submit(req, res); });
        server_.Get("/style.css", [](const Request&, Response& res) {
            res.set_content(std::string(StyleSheet()), "text/css; charset=utf-8");
        });
        server_.Get("/api/scores", [this](const Request& req, Response& res) { Scores(req, res); });
        server_.Post("/api/submissions",
                     [this](const Request& req, Response& res) { Submit(req, res); });
        server_.Get(R"(/api/submissions/(\d{1,18}))",
                    [this](const Request& req, Response& res) { Detail(req, res); });
        server_.Get(R"(/submissions/(\d{1,18}))",
                    [this](const Request& req, Response& res) { Detail(req, res); });
        server_.Get(R"(/submissions/(\d{1,18})/board\.png)",
                    [this](const Request& req, Response& res) { Picture(req, res); });
        server_.Get(R"(/submissions/(\d{1,18})/recording)",
                    [this](const Request& req, Response& res) { Download(req, res); });
    }

    Intake& intake() { return intake_; }
    BoundedServer& server() { return server_; }
    int port_ = 0;

  private:
    void Board(const Request& req, Response& res, Listing listing) {
        std::size_t page = 0;
        if (req.has_param("page")) page = Digits(req.get_param_value("page")).value_or(0);
        const std::size_t total = store_.Count(listing);
        page = std::min<std::size_t>(page, total / kEntriesPerPage + 1);
        const auto entries = store_.Scores(listing, page * kEntriesPerPage, kEntriesPerPage);
        Answer(res, 200, BoardPage(listing, entries, page, total), kHtml);
    }

    void Scores(const Request& req, Response& res) {
        std::size_t offset = 0, limit = kListedByDefault;
        for (auto [name, value] : {std::pair{"offset", &offset}, std::pair{"limit", &limit}}) {
            if (!req.has_param(name)) continue;
            const auto number = Digits(req.get_param_value(name));
            if (!number) {
                Refuse(req, res, 400, std::string(name) + " is not a whole number");
                return;
            }
            *value = *number;
        }
        if (limit < 1 || limit > kMostListed) {
            Refuse(req, res, 400, "limit is from 1 to " + std::to_string(kMostListed));
            return;
        }
        Listing listing = Listing::Replayed;
        if (req.has_param("verdict")) {
            const std::string verdict = req.get_param_value("verdict");
            if (verdict == "sealed") {
                listing = Listing::Sealed;
            } else if (verdict == "all") {
                listing = Listing::All;
            } else if (verdict != "replayed") {
                Refuse(req, res, 400, "verdict is replayed, sealed or all");
                return;
            }
        }
        Answer(res, 200, ScoresJson(store_.Scores(listing, offset, limit)), kJson);
    }

    // Who sent the request: the connection's address, or, from the trusted proxy, the client
    // it names last in X-Forwarded-For (the one it saw itself; what stands before is the
    // client's own word).
    std::string ClientOf(const Request& req) const {
        if (trustedProxy_.empty() || req.remote_addr != trustedProxy_ ||
            !req.has_header("X-Forwarded-For"))
            return req.remote_addr;
        std::string forwarded = req.get_header_value("X-Forwarded-For");
        if (const std::size_t comma = forwarded.rfind(','); comma != std::string::npos)
            forwarded.erase(0, comma + 1);
        const std::size_t begin = forwarded.find_first_not_of(" \t");
        const std::size_t end = forwarded.find_last_not_of(" \t");
        forwarded = begin == std::string::npos ? "" : forwarded.substr(begin, end - begin + 1);
        return IsAddress(forwarded) ? forwarded : req.remote_addr;
    }

    // The form's fields as the intake takes them; a reason when they are not all there once.
    static std::optional<std::string> ReadForm(const Request& req, SubmissionForm& form) {
        if (!req.is_multipart_form_data()) {
            return "send multipart/form-data with the fields nickname, city, state, country "
                   "and text, and a file recording if you have one (a recording alone, "
                   "without text, sends the best text it made)";
        }
        for (auto [name, value] :
             {std::pair{"nickname", &form.nickname}, std::pair{"city", &form.city},
              std::pair{"state", &form.state}, std::pair{"country", &form.country},
              std::pair{"text", &form.text}}) {
            const std::size_t count = req.files.count(name);
            // The text may be left out when a recording comes: it is taken from the recording.
            if (count == 0 && value == &form.text) continue;
            if (count != 1) {
                return count == 0 ? std::string("missing field ") + name
                                  : std::string("field ") + name + " given more than once";
            }
            *value = req.files.find(name)->second.content;
        }
        const std::size_t recordings = req.files.count("recording");
        if (recordings > 1) return "field recording given more than once";
        if (recordings == 1) {
            const httplib::MultipartFormData& part = req.files.find("recording")->second;
            // A form whose file field was left empty still sends the field, with no file name
            // and no bytes.
            if (!part.content.empty() || !part.filename.empty()) form.recording = part.content;
        }
        if (req.files.count("text") == 0 && !form.recording) return "missing field text";
        return std::nullopt;
    }

    void Submit(const Request& req, Response& res) {
        if (const auto wait = submissions_.Take(ClientOf(req)); wait.count() > 0) {
            res.set_header("Retry-After", std::to_string(wait.count()));
            Refuse(req, res, StatusOf(OutcomeKind::TooMany),
                   "too many submissions from your address; try again in " +
                       std::to_string(wait.count()) + " seconds");
            return;
        }
        SubmissionForm form;
        if (const auto unfit = ReadForm(req, form)) {
            Refuse(req, res, StatusOf(OutcomeKind::UnfitField), *unfit);
            return;
        }
        const Outcome outcome = intake_.Receive(form);
        const int status = StatusOf(outcome.kind);
        if (outcome.kind == OutcomeKind::Busy) res.set_header("Retry-After", "2");
        if (outcome.kind == OutcomeKind::StoreAway)
            res.set_header("Retry-After", std::to_string(kDatabaseRetrySeconds));
        if (!outcome.entry) {
            Refuse(req, res, status, outcome.reason);
            return;
        }
        const Entry& entry = *outcome.entry;
        if (outcome.kind == OutcomeKind::Upgraded) pictures_.Forget(entry.id);
        if (outcome.kind == OutcomeKind::Created)
            res.set_header("Location", "/api/submissions/" + std::to_string(entry.id));
        if (FormatOf(req) == Format::Page) {
            const char* message = outcome.kind == OutcomeKind::Created
                                      ? "Your score is on the leaderboard"
                                  : outcome.kind == OutcomeKind::Upgraded
                                      ? "Your recording proves the score: it is replayed now"
                                      : "This text is on the leaderboard already";
            Answer(res, status, ResultPage(status, message, entry), kHtml);
        } else {
            Answer(res, status, status == 201 ? CreatedJson(entry) : EntryJson(entry), kJson);
        }
    }

    // The entry named by the path, or an answer that it is not there.
    std::optional<Entry> Named(const Request& req, Response& res) {
        const auto id = Digits(req.matches[1].str());
        std::optional<Entry> entry;
        if (id) entry = store_.Find(static_cast<std::int64_t>(*id));
        if (!entry) Refuse(req, res, 404, "no such entry");
        return entry;
    }

    void Detail(const Request& req, Response& res) {
        const auto entry = Named(req, res);
        if (!entry) return;
        const DateFacts date =
            FactsOfDate(entry->date, std::chrono::floor<std::chrono::days>(entry->received));
        if (FormatOf(req) == Format::Json) {
            Answer(res, 200, EntryDetailJson(*entry, date), kJson);
        } else {
            const bool board = pictures_.CanDraw() && entry->verdict == Verdict::Replayed;
            Answer(res, 200, EntryPage(*entry, date, board), kHtml);
        }
    }

    void Picture(const Request& req, Response& res) {
        const auto id = Digits(req.matches[1].str());
        std::string png;
        if (id) {
            const auto entry = static_cast<std::int64_t>(*id);
            png = pictures_.Png(entry, [&] { return store_.Board(entry); });
        }
        if (png.empty()) {
            Refuse(req, res, 404, "no board for this entry");
            return;
        }
        res.set_header("Cache-Control", "public, max-age=86400");
        res.set_content(png, "image/png");
    }

    void Download(const Request& req, Response& res) {
        const auto id = Digits(req.matches[1].str());
        std::optional<std::string> recording;
        if (id) recording = store_.Recording(static_cast<std::int64_t>(*id));
        if (!recording) {
            Refuse(req, res, 404, "no recording for this entry");
            return;
        }
        res.set_header("Content-Disposition",
                       "attachment; filename=\"gyrolap-" + std::to_string(*id) + ".gyrolap\"");
        res.set_content(*recording, "text/plain; charset=utf-8");
    }

    Store& store_;
    Intake intake_;
    PictureCache pictures_;
    RateLimit submissions_;
    std::string trustedProxy_;
    BoundedServer server_;
};

Service::Service(Store& store, BoardPainter* painter, ServiceOptions options)
    : impl_(std::make_unique<Impl>(store, painter, std::move(options))) {}

Service::~Service() = default;

bool Service::Bind(const std::string& host, int port) {
    BoundedServer& server = impl_->server();
    if (port == 0) {
        port = server.bind_to_any_port(host);
        if (port <= 0) return false;
    } else if (!server.bind_to_port(host, port)) {
        return false;
    }
    impl_->port_ = port;
    server.WidenBacklog();
    return true;
}

int Service::Port() const {
    return impl_->port_;
}

void Service::Run() {
    impl_->server().listen_after_bind();
}

void Service::Stop() {
    impl_->server().Halt();
}

Slots& Service::ReplaySlots() {
    return impl_->intake().ReplaySlots();
}

Slots& Service::UploadSlots() {
    return impl_->server().UploadSlots();
}

}  // namespace gyrolap::scores
