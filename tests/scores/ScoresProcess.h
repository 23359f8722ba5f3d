// SPDX-License-Identifier: MIT
// gyrolap-scores run as a program, for the tests: started with its arguments and environment,
// its address read from the line it prints once it serves, stopped or killed by signal.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace gyrolap::testing {

class ScoresProcess {
  public:
    // Starts `program` with `args`; `env` entries ("NAME=VALUE") are added to the environment.
    ScoresProcess(const std::string& program, const std::vector<std::string>& args,
                  const std::vector<std::string>& env = {}) {
        int out[2];
        if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            for (const std::string& entry : env) ::putenv(const_cast<char*>(entry.c_str()));
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        out_ = out[0];
    }
    ~ScoresProcess() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }
    ScoresProcess(const ScoresProcess&) = delete;
    ScoresProcess& operator=(const ScoresProcess&) = delete;

    // The port of the "serving http://HOST:PORT/ ..." line, waiting for it at most `wait`;
    // 0 when the program ended or did not say in time.
    int Port(std::chrono::seconds wait = std::chrono::seconds(10)) {
        const auto end = std::chrono::steady_clock::now() + wait;
        for (;;) {
            const std::size_t serving = output_.find("serving http://");
            const std::size_t slash =
                serving == std::string::npos ? serving : output_.find("/ ", serving + 15);
            if (slash != std::string::npos) {
                const std::size_t colon = output_.rfind(':', slash);
                return std::atoi(output_.substr(colon + 1, slash - colon - 1).c_str());
            }
            if (!ReadSome(end)) return 0;
        }
    }

    // Sends `signal` and waits for the end; the exit status, or -1 when killed by a signal.
    int Stop(int signal) {
        ::kill(pid_, signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        exited_ = true;
        while (ReadSome(std::chrono::steady_clock::now())) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t pid() const { return pid_; }
    const std::string& output() const { return output_; }

    // The process's resident memory now and at most so far, in KiB (VmRSS, VmHWM).
    long MemoryKiB(const char* field = "VmRSS:") const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
        return -1;
    }

  private:
    bool ReadSome(std::chrono::steady_clock::time_point end) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd fd{out_, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(std::max<long>(0, left.count()))) <= 0) return false;
        char buffer[4096];
        const ssize_t got = ::read(out_, buffer, sizeof buffer);
        if (got <= 0) return false;
        output_.append(buffer, static_cast<std::size_t>(got));
        return true;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    bool exited_ = false;
    std::string output_;
};

}  // namespace gyrolap::testing
