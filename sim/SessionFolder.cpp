// SPDX-License-Identifier: MIT
// The sessions' folder; see SessionFolder.h.
#include "sim/SessionFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>

#include "sim/Replay.h"

namespace gyrolap::sim {
namespace {

bool Digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A whole number of sessions: 1 to a million, more than any folder should hold.
std::optional<std::size_t> Sessions(std::string_view text) {
    if (!Digits(text) || text.size() > 7) return std::nullopt;
    std::size_t count = 0;
    for (const char c : text) count = count * 10 + static_cast<std::size_t>(c - '0');
    if (count == 0 || count > 1000000) return std::nullopt;
    return count;
}

struct Session {
    std::string path;
    bool submitted = false;
    std::int64_t writtenSeconds = 0;
    long writtenNanoseconds = 0;
    std::string name;
    std::uint64_t bytes = 0;
};

// Whether another running game holds the file open to write it; it then stays.
bool BeingWritten(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

}  // namespace

std::optional<KeepLimits> ParseKeep(std::string_view text) {
    KeepLimits limits;
    const std::size_t comma = text.find(',');
    const auto sessions = Sessions(text.substr(0, comma));
    if (!sessions) return std::nullopt;
    limits.sessions = *sessions;
    if (comma != std::string_view::npos) {
        const auto bytes = ParseByteCount(text.substr(comma + 1));
        if (!bytes) return std::nullopt;
        limits.bytes = *bytes;
    }
    return limits;
}

std::optional<std::string> SessionsFolder(const char* xdgDataHome, const char* home,
                                          std::string& error) {
    const auto trimmed = [](std::string folder) {
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    };
    std::string data;
    if (xdgDataHome && xdgDataHome[0] == '/') {
        data = trimmed(xdgDataHome);
    } else if (home && home[0] == '/') {
        data = trimmed(home) + (home[1] ? "/.local/share" : ".local/share");
    } else {
        error =
            "no folder to keep the recordings in: neither XDG_DATA_HOME nor HOME names an "
            "absolute folder";
        return std::nullopt;
    }
    return (data == "/" ? "" : data) + "/gyrolap/recordings";
}

bool MakeFolder(const std::string& folder, std::string& error) {
    // Each folder from the top down, so that only the missing ones are made, each 0700.
    for (std::size_t end = 1; end != std::string::npos;) {
        end = folder.find('/', end + 1);
        const std::string part = folder.substr(0, end);
        if (::mkdir(part.c_str(), 0700) == 0 || errno == EEXIST) continue;
        error = "cannot make the folder '" + part + "': " + std::strerror(errno);
        return false;
    }
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        error = "'" + folder + "' is not a folder";
        return false;
    }
    return true;
}

bool IsSessionName(std::string_view name, bool* submitted) {
    if (!name.ends_with(kRecordingExtension)) return false;
    name.remove_suffix(kRecordingExtension.size());
    const bool marked = name.ends_with(kSubmittedMark);
    if (marked) name.remove_suffix(kSubmittedMark.size());
    // 2026-05-16_14-03-27, then perhaps -N.
    constexpr std::string_view kShape = "dddd-dd-dd_dd-dd-dd";
    if (name.size() < kShape.size()) return false;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (kShape[i] == 'd' ? !digit : name[i] != kShape[i]) return false;
    }
    const std::string_view rest = name.substr(kShape.size());
    if (!rest.empty() && (rest[0] != '-' || !Digits(rest.substr(1)))) return false;
    if (submitted) *submitted = marked;
    return true;
}

KeptFolder KeepWithin(const std::string& folder, const KeepLimits& limits) {
    KeptFolder kept;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        kept.errors.push_back("cannot read the folder '" + folder + "': " + std::strerror(errno));
        return kept;
    }
    std::vector<Session> sessions;
    while (const dirent* entry = ::readdir(dir)) {
        Session session;
        session.name = entry->d_name;
        if (!IsSessionName(session.name, &session.submitted)) continue;
        session.path = folder + "/" + session.name;
        struct stat status {};
        // Only plain files: a link of a session's name is left alone, whatever it points at.
        if (::lstat(session.path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
        session.writtenSeconds = status.st_mtim.tv_sec;
        session.writtenNanoseconds = status.st_mtim.tv_nsec;
        session.bytes = static_cast<std::uint64_t>(status.st_size);
        sessions.push_back(std::move(session));
    }
    ::closedir(dir);

    // The order they go in: unsubmitted before submitted, each oldest first.
    std::sort(sessions.begin(), sessions.end(), [](const Session& a, const Session& b) {
        return std::tie(a.submitted, a.writtenSeconds, a.writtenNanoseconds, a.name) <
               std::tie(b.submitted, b.writtenSeconds, b.writtenNanoseconds, b.name);
    });
    std::size_t count = sessions.size();
    std::uint64_t bytes = 0;
    for (const Session& session : sessions) bytes += session.bytes;
    for (const Session& session : sessions) {
        // Room for the new session: one fewer than the limit, and the older ones' bytes within it.
        if (count < limits.sessions && bytes <= limits.bytes) break;
        const int fd = ::open(session.path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (errno != ENOENT)
                kept.errors.push_back("cannot open '" + session.path +
                                      "': " + std::strerror(errno));
            continue;
        }
        if (BeingWritten(fd)) {
            ::close(fd);
            continue;
        }
        const bool deleted = ::unlink(session.path.c_str()) == 0;
        if (!deleted)
            kept.errors.push_back("cannot delete '" + session.path + "': " + std::strerror(errno));
        ::close(fd);
        if (!deleted) continue;
        kept.deleted.push_back(session.path);
        --count;
        bytes -= session.bytes;
    }
    return kept;
}

std::optional<NewSession> CreateSession(const std::string& folder, std::time_t start,
                                        std::string& error) {
    std::tm local{};
    char stamp[64];
    if (!::localtime_r(&start, &local) ||
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local) == 0) {
        error = "cannot read the time the session starts";
        return std::nullopt;
    }
    // Two sessions started in one second get -2, -3, ...: a file that exists is never opened.
    for (int n = 1; n <= 1000; ++n) {
        const std::string base =
            folder + "/" + stamp + (n > 1 ? "-" + std::to_string(n) : std::string());
        const std::string path = base + std::string(kRecordingExtension);
        struct stat status {};
        if (::lstat(SubmittedPath(path).c_str(), &status) == 0) continue;
        const int fd = ::open(
            path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            error = "cannot make '" + path + "': " + std::strerror(errno);
            return std::nullopt;
        }
        // Held while the session writes it, so that another game's clean-up leaves it alone.
        ::flock(fd, LOCK_EX | LOCK_NB);
        return NewSession{fd, path};
    }
    error = std::string("more than 1000 sessions started at ") + stamp + " in '" + folder + "'";
    return std::nullopt;
}

std::string SubmittedPath(const std::string& path) {
    if (!path.ends_with(kRecordingExtension)) return path;
    std::string marked = path.substr(0, path.size() - kRecordingExtension.size());
    if (!marked.ends_with(kSubmittedMark)) marked += kSubmittedMark;
    return marked + std::string(kRecordingExtension);
}

}  // namespace gyrolap::sim
