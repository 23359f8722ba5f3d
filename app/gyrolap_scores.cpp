// SPDX-License-Identifier: MIT
// gyrolap-scores [--listen ADDRESS:PORT] [--database URL]: the score page. It takes submission
// texts with their recordings over HTTP, checks and replays them as gyrolap-check does, keeps
// them in SQLite or PostgreSQL and shows the leaderboard. The boards of replayed games are drawn
// by the game's own window, off screen.
#include <arpa/inet.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QStyleFactory>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "game/GameState.h"
#include "scores/Service.h"
#include "scores/pages/BoardPicture.h"
#include "scores/store/Store.h"
#include "submit/SafeText.h"
#include "ui/MainWindow.h"

namespace {

constexpr const char* kUsage =
    "usage: gyrolap-scores [--listen ADDRESS:PORT] [--database URL]\n"
    "                      [--submissions-per-minute N] [--trust-proxy ADDRESS]\n"
    "       gyrolap-scores --help | --version\n"
    "Serves the Gyrolap score page: players send their submission texts, with a recording\n"
    "made by gyrolap --record if they have one, and the page checks and replays each as\n"
    "gyrolap-check --replay does before it shows it on the leaderboard.\n"
    "  --listen ADDRESS:PORT  where to take connections (default 127.0.0.1:8080, this\n"
    "                         machine only; [::1]:8080 for IPv6, port 0 for any free one)\n"
    "  --database URL         sqlite:PATH, or postgresql://... to share one database among\n"
    "                         several gyrolap-scores (default: the SQLite file\n"
    "                         $XDG_DATA_HOME/gyrolap/scores.sqlite, made on first start)\n"
    "  --submissions-per-minute N\n"
    "                         submissions a minute from one client address, at most N at\n"
    "                         once (default 30; 0 for no limit); more are answered 429\n"
    "  --trust-proxy ADDRESS  the reverse proxy in front (an IP address): the client of a\n"
    "                         request from it is the last address its X-Forwarded-For\n"
    "                         names; from anyone else that header is ignored\n"
    "  --help                 show this text and exit\n"
    "  --version              show the version and exit\n"
    "Pages: / the leaderboard of replayed scores, /claims the sealed ones, /submit the form;\n"
    "API: POST /api/submissions, GET /api/scores[?verdict=replayed|sealed|all].\n"
    "SIGINT or SIGTERM stops it once the requests in progress are answered.\n"
    "Exit status: 0 stopped by a signal, 1 the database or the address cannot be used,\n"
    "2 bad usage.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "gyrolap-scores: %s\n%s", message.c_str(), kUsage);
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "gyrolap-scores: %s\n", message.c_str());
    return 1;
}

struct Options {
    std::string host = "127.0.0.1";
    int port = 8080;
    std::string database;
    std::size_t submissionsPerMinute = 30;
    std::string trustedProxy;
};

// The most submissions a minute that can be asked for: far beyond what any client sends.
constexpr std::size_t kMostPerMinute = 1'000'000;

// "HOST:PORT" or "[IPv6]:PORT"; false when it is neither.
bool ParseListen(std::string_view text, Options& options) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    std::string_view host = text.substr(0, colon);
    const std::string_view port = text.substr(colon + 1);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') return false;
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string_view::npos) {
        return false;  // an IPv6 address needs its brackets
    }
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    const int number = std::atoi(std::string(port).c_str());
    if (number > 65535) return false;
    options.host = host;
    options.port = number;
    return true;
}

std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (arg == "--version") {
            std::printf("gyrolap-scores %s\n", gyrolap::kVersionText);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        std::string_view value;
        std::string_view name = arg;
        if (const std::size_t equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        } else if (arg == "--listen" || arg == "--database" || arg == "--submissions-per-minute" ||
                   arg == "--trust-proxy") {
            if (i + 1 >= argc) return UsageError(std::string(arg) + " needs a value");
            value = argv[++i];
        }
        if (name == "--listen") {
            if (!ParseListen(value, options))
                return UsageError("--listen wants ADDRESS:PORT, not " +
                                  gyrolap::Shortened(value, 80));
        } else if (name == "--database") {
            if (value.empty()) return UsageError("--database needs a URL");
            options.database = value;
        } else if (name == "--submissions-per-minute") {
            const bool digits = !value.empty() && value.size() <= 7 &&
                                value.find_first_not_of("0123456789") == std::string_view::npos;
            const std::size_t number = digits ? std::stoul(std::string(value)) : 0;
            if (!digits || number > kMostPerMinute)
                return UsageError("--submissions-per-minute wants a whole number from 0 to " +
                                  std::to_string(kMostPerMinute) + ", not " +
                                  gyrolap::Shortened(value, 80));
            options.submissionsPerMinute = number;
        } else if (name == "--trust-proxy") {
            unsigned char bytes[16];
            const std::string address(value);
            if (inet_pton(AF_INET, address.c_str(), bytes) != 1 &&
                inet_pton(AF_INET6, address.c_str(), bytes) != 1)
                return UsageError("--trust-proxy wants the proxy's IP address, not " +
                                  gyrolap::Shortened(value, 80));
            options.trustedProxy = address;
        } else {
            return UsageError("unknown argument " + gyrolap::Shortened(arg, 80));
        }
    }
    return std::nullopt;
}

// The SQLite file under the user's data folder, its folders made (for the user alone) when
// missing. Empty, with `error` set, when there is no such folder.
std::string DefaultDatabase(std::string& error) {
    namespace fs = std::filesystem;
    fs::path data;
    // The base directory rules: only an absolute XDG_DATA_HOME counts.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && fs::path(xdg).is_absolute()) {
        data = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        data = fs::path(home) / ".local" / "share";
    } else {
        error = "neither XDG_DATA_HOME nor HOME is set; give --database sqlite:PATH";
        return {};
    }
    const fs::path folder = data / "gyrolap";
    std::error_code failed;
    if (!fs::is_directory(folder, failed)) {
        fs::create_directories(folder, failed);
        if (!failed) fs::permissions(folder, fs::perms::owner_all, failed);
        if (failed) {
            error = "cannot make the folder " + folder.string() + ": " + failed.message();
            return {};
        }
    }
    return "sqlite:" + (folder / "scores.sqlite").string();
}

// Draws boards with the game's own window, off screen, on the application's thread where
// widgets live; the service's threads wait for the picture.
class WindowPainter final : public gyrolap::scores::BoardPainter {
  public:
    std::string Png(const gyrolap::Board& board) override {
        std::string png;
        const auto draw = [&] { png = Draw(board); };
        if (QThread::currentThread() == qApp->thread()) {
            draw();
        } else {
            QMetaObject::invokeMethod(qApp, draw, Qt::BlockingQueuedConnection);
        }
        return png;
    }

  private:
    static std::string Draw(const gyrolap::Board& board) {
        gyrolap::MainWindow window;
        window.renderBoard(board);
        const QImage picture = window.grab().toImage();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!picture.save(&buffer, "PNG")) return {};
        return bytes.toStdString();
    }
};

// The cores this process may run on (fewer than the machine's when its affinity is set, as a
// container or taskset sets it): one replay each at once, so replays never queue for a core.
unsigned UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

// Whether connections can come from other machines.
bool LoopbackOnly(const std::string& host) {
    return host == "127.0.0.1" || host == "::1" || host == "localhost" ||
           host.rfind("127.", 0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const auto status = ParseOptions(argc, argv, options)) return *status;
    if (options.database.empty()) {
        std::string error;
        options.database = DefaultDatabase(error);
        if (options.database.empty()) return Fail(error);
    }

    // A server has no screen: the window draws into memory, the same on every machine.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_QPA_PLATFORMTHEME",
                             "QT_STYLE_OVERRIDE", "QT_FONT_DPI"})
        qunsetenv(name);
    // Signals go to one thread that waits for them, never into the middle of a request.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGINT);
    sigaddset(&stopping, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    std::unique_ptr<gyrolap::scores::Store> store;
    try {
        store = gyrolap::scores::OpenStore(options.database);
    } catch (const gyrolap::scores::StoreError& error) {
        return Fail(error.what());
    }
    // Each client's connection is an open file, held while it waits for its turn too: the
    // default soft limit of 1024 would have accepting fail long before the service's own
    // bounds answer, so take all the hard limit allows.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    WindowPainter painter;
    gyrolap::scores::ServiceOptions serviceOptions;
    serviceOptions.replaySlots = UsableCores();
    serviceOptions.submissionsPerMinute = options.submissionsPerMinute;
    serviceOptions.trustedProxy = options.trustedProxy;
    gyrolap::scores::Service service(*store, &painter, serviceOptions);
    if (!service.Bind(options.host, options.port)) {
        return Fail("cannot listen on " + gyrolap::Shortened(options.host, 80) + " port " +
                    std::to_string(options.port) +
                    ": the address is not this machine's, or it "
                    "is in use");
    }
    const bool v6 = options.host.find(':') != std::string::npos;
    const std::string where =
        (v6 ? "[" + options.host + "]" : options.host) + ":" + std::to_string(service.Port());
    const std::string database = options.database.rfind("sqlite:", 0) == 0
                                     ? options.database.substr(7)
                                     : std::string("a PostgreSQL database");
    std::printf("gyrolap-scores: serving http://%s/ from %s\n", where.c_str(), database.c_str());
    std::printf("gyrolap-scores: replays at most %zu recordings at once, one per core\n",
                serviceOptions.replaySlots);
    std::fflush(stdout);
    if (!LoopbackOnly(options.host)) {
        std::fprintf(stderr, "gyrolap-scores: listening on %s: other machines can reach the page\n",
                     options.host.c_str());
    }

    std::thread server([&] {
        service.Run();
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopping, &signal);
        service.Stop();
    });
    stopper.detach();
    app.exec();
    server.join();
    std::printf("gyrolap-scores: stopped\n");
    return 0;
}
