// SPDX-License-Identifier: MIT
// One of the project's programs run as a child process the test talks to while it runs: its
// standard error read line by line as it comes, signals sent to it, its exit status collected.
// Every wait is on the child (a line, its exit), bounded by a deadline so a hang fails the test.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace gyrolap::testing {

// Reads `fd` up to the next line end; nothing at the end of the input or past the deadline.
// `pending` keeps what was read past the line.
inline std::optional<std::string> ReadLineFrom(int fd, std::string& pending,
                                               std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
        if (const auto end = pending.find('\n'); end != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd ready{fd, POLLIN, 0};
        const int got = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return std::nullopt;
        char buffer[4096];
        const ssize_t read = ::read(fd, buffer, sizeof buffer);
        if (read < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (read <= 0) {
            if (pending.empty()) return std::nullopt;
            return std::exchange(pending, {});
        }
        pending.append(buffer, static_cast<std::size_t>(read));
    }
}

class Child {
  public:
    // Runs `argv` with `env` ("NAME=value") added to this process's environment; standard input
    // is /dev/null, standard output is dropped, standard error comes to the test.
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& env = {}) {
        int err[2];
        if (::pipe2(err, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        std::vector<std::string> environment(env);
        for (char** entry = environ; *entry; ++entry) environment.emplace_back(*entry);
        std::vector<char*> envp;
        for (const std::string& entry : environment)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        if (::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(err[1]);
        err_ = err[0];
    }
    ~Child() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            int raw = 0;
            ::waitpid(pid_, &raw, 0);
        }
        if (err_ >= 0) ::close(err_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return pid_ > 0; }

    // The next line the child writes on standard error.
    std::optional<std::string> ErrLine(std::chrono::milliseconds within = std::chrono::seconds(8)) {
        return ReadLineFrom(err_, pending_, within);
    }
    // Reads standard error until a line holds `text`; that line, or nothing.
    std::optional<std::string> ErrLineWith(const std::string& text) {
        while (const auto line = ErrLine())
            if (line->find(text) != std::string::npos) return line;
        return std::nullopt;
    }

    void Signal(int signal) { ::kill(pid_, signal); }

    // Whether the child still runs, without waiting.
    bool Running() {
        if (status_) return false;
        int raw = 0;
        if (::waitpid(pid_, &raw, WNOHANG) != pid_) return true;
        status_ = Decode(raw);
        return false;
    }

    // Waits for the child to end: its exit status, or 128 + the signal that ended it.
    int Wait() {
        if (!status_) {
            int raw = 0;
            while (::waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
            }
            status_ = Decode(raw);
        }
        return *status_;
    }

  private:
    static int Decode(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw); }

    pid_t pid_ = -1;
    int err_ = -1;
    std::string pending_;
    std::optional<int> status_;
};

}  // namespace gyrolap::testing
