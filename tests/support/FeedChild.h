// SPDX-License-Identifier: MIT
// Runs one of the project's programs as a child process with what a generator writes on its
// standard input, as it writes it, so that neither side holds the input whole; collects the
// child's exit status, standard error, and its peak resident memory and CPU time as the kernel
// measured them. For the memory tests and the replay bench.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/RunCommand.h"

extern char** environ;

namespace gyrolap::testing {

// Takes the input a piece at a time.
using InputSink = std::function<void(std::string_view piece)>;

struct Measured {
    int status = -1;
    long peakKiB = 0;
    double cpuSeconds = 0;
    std::string err;
};

// Runs `argv` with what `make` writes on its standard input; a status of -1 when it could not
// be started.
inline Measured Feed(const std::vector<std::string>& argv,
                     const std::function<void(const InputSink&)>& make) {
    std::signal(SIGPIPE, SIG_IGN);  // a child that stops reading early is no crash of ours
    const std::filesystem::path err = std::filesystem::temp_directory_path() /
                                      ("gyrolap-feed-" + std::to_string(::getpid()) + ".err");
    int in[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    if (spawned != 0) {
        ::close(in[1]);
        return {};
    }
    bool open = true;
    make([&](std::string_view piece) {
        while (open && !piece.empty()) {
            const ssize_t written = ::write(in[1], piece.data(), piece.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                open = false;
                break;
            }
            piece.remove_prefix(static_cast<std::size_t>(written));
        }
    });
    ::close(in[1]);
    Measured measured;
    int raw = 0;
    rusage usage{};
    while (::wait4(pid, &raw, 0, &usage) < 0 && errno == EINTR) {
    }
    measured.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    measured.peakKiB = usage.ru_maxrss;
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    measured.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    measured.err = ReadWholeFile(err);
    std::filesystem::remove(err);
    return measured;
}

}  // namespace gyrolap::testing
