// SPDX-License-Identifier: MIT
// A PostgreSQL server of the test's own, in a scratch folder: made with initdb, started with
// pg_ctl, reached only through a socket in that folder, removed at the end. The server refuses
// to run as root, so under root it runs as the `postgres` user Debian's package makes.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace gyrolap::testing {

class PostgresServer {
  public:
    PostgresServer() {
        bin_ = BinDir();
        folder_ = std::filesystem::temp_directory_path() /
                  ("gyrolap-postgres-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        if (::getuid() == 0) {
            const passwd* user = ::getpwnam("postgres");
            if (!user) throw std::runtime_error("no postgres user to run the server as");
            uid_ = user->pw_uid;
            gid_ = user->pw_gid;
            if (::chown(folder_.c_str(), uid_, gid_) != 0)
                throw std::runtime_error("cannot hand the folder to postgres");
        }
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
        const std::string data = (folder_ / "data").string();
        Run({bin_ + "/initdb", "-D", data, "-U", "gyrolap", "-A", "trust", "-E", "UTF8",
             "--no-sync", "--no-instructions"});
        Start();
    }

    // Starts the server again after Stop().
    void Start() {
        // No TCP at all: the socket in the folder is the only way in, so no port can clash.
        Run({bin_ + "/pg_ctl", "-D", (folder_ / "data").string(), "-l", (folder_ / "log").string(),
             "-w", "-t", "30", "-o",
             "-c listen_addresses='' -k " + folder_.string() + " -p 5432 -c fsync=on", "start"});
        started_ = true;
    }

    // Stops the server: "fast" as an administrator restarting it does (every session ended,
    // then a clean shutdown), or "immediate" as a crash does (no shutdown at all: the next start
    // recovers from the write-ahead log).
    void Stop(const std::string& mode) {
        Run({bin_ + "/pg_ctl", "-D", (folder_ / "data").string(), "-m", mode, "-w", "stop"});
        started_ = false;
    }
    ~PostgresServer() {
        if (started_) {
            try {
                Run({bin_ + "/pg_ctl", "-D", (folder_ / "data").string(), "-m", "immediate", "-w",
                     "stop"});
            } catch (const std::exception&) {
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // A new, empty database of that name, and the URL that reaches it.
    std::string NewDatabase(const std::string& name) const {
        Run({bin_ + "/createdb", "-h", folder_.string(), "-p", "5432", "-U", "gyrolap", name});
        return "postgresql://gyrolap@/" + name + "?host=" + folder_.string() + "&port=5432";
    }

    // Runs psql on database `name` with `args` (-f FILE, -c STATEMENT), stopping at the first
    // error; throws when it fails.
    void Psql(const std::string& name, const std::vector<std::string>& args) const {
        std::vector<std::string> command = {bin_ + "/psql",
                                            "-X",
                                            "-q",
                                            "-v",
                                            "ON_ERROR_STOP=1",
                                            "-h",
                                            folder_.string(),
                                            "-p",
                                            "5432",
                                            "-U",
                                            "gyrolap",
                                            "-d",
                                            name};
        command.insert(command.end(), args.begin(), args.end());
        Run(command);
    }

  private:
    static std::string BinDir() {
        std::FILE* pipe = ::popen("pg_config --bindir", "r");
        if (!pipe) throw std::runtime_error("cannot run pg_config");
        char line[512] = "";
        const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
        ::pclose(pipe);
        std::string dir = read ? line : "";
        while (!dir.empty() && (dir.back() == '\n' || dir.back() == ' ')) dir.pop_back();
        if (dir.empty() || !std::filesystem::exists(dir + "/initdb"))
            throw std::runtime_error("no initdb beside pg_config (scripts/deps.sh test)");
        return dir;
    }

    // Runs a server program to its end, as the server's user; throws when it fails.
    void Run(const std::vector<std::string>& command) const {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::getuid() == 0) {
                if (::setgroups(0, nullptr) != 0 || ::setgid(gid_) != 0 || ::setuid(uid_) != 0)
                    ::_exit(126);
            }
            // Its output goes to the log, not into the test's.
            std::freopen("/dev/null", "w", stdout);
            std::vector<char*> argv;
            for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error(command[0] + " failed");
    }

    std::string bin_;
    std::filesystem::path folder_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    bool started_ = false;
};

// One server for the whole test program, started when first asked for (starting one takes most
// of a second) and stopped as the program ends.
inline PostgresServer& SharedPostgresServer() {
    static PostgresServer server;
    return server;
}

}  // namespace gyrolap::testing
