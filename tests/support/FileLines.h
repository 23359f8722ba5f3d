// SPDX-License-Identifier: MIT
// A file the game writes, read by a test as it grows: its lines, and a wait, on the file's own
// writes, for the line that shows the game has got as far as the test needs.
#pragma once

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace gyrolap::testing {

inline std::vector<std::string> FileLines(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

// Waits until the file holds a line that starts with `prefix`, reading it again each time it is
// written; false past the deadline.
inline bool WaitForLine(const std::filesystem::path& path, const std::string& prefix) {
    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watch < 0 || ::inotify_add_watch(watch, path.c_str(), IN_MODIFY | IN_CLOSE_WRITE) < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    bool found = false;
    while (!found) {
        for (const std::string& line : FileLines(path)) found = found || line.starts_with(prefix);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (found || left.count() <= 0) break;
        pollfd changed{watch, POLLIN, 0};
        ::poll(&changed, 1, static_cast<int>(left.count()));
        char events[4096];
        while (::read(watch, events, sizeof events) > 0) {
        }
    }
    ::close(watch);
    return found;
}

}  // namespace gyrolap::testing
