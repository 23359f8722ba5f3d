// SPDX-License-Identifier: MIT
// A D-Bus bus of the test's own, started by the test and ended with it, and the RealtimeKit
// stand-in on it: the tests never touch a bus that happens to run on the machine.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/Child.h"

namespace gyrolap::testing {

// `program` as found on PATH; empty when it is not there.
inline std::string OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/bin:/bin";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        const std::filesystem::path candidate =
            std::filesystem::path(dirs.substr(0, colon)) / program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    }
    return "";
}

class PrivateBus {
  public:
    PrivateBus() {
        const std::string daemon = OnPath("dbus-daemon");
        char pattern[] = "/tmp/gyrolap-bus-XXXXXX";
        if (daemon.empty() || !::mkdtemp(pattern)) return;
        dir_ = pattern;
        const auto config = dir_ / "bus.conf";
        std::ofstream(config)
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
               "1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <type>session</type>\n"
               "  <listen>unix:dir="
            << dir_.string()
            << "</listen>\n"
               "  <auth>EXTERNAL</auth>\n"
               "  <policy context=\"default\">\n"
               "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
               "    <allow eavesdrop=\"true\"/>\n"
               "    <allow own=\"*\"/>\n"
               "  </policy>\n"
               "</busconfig>\n";
        // The address comes on standard error once the bus listens (a warning may come first).
        daemon_ = std::make_unique<Child>(std::vector<std::string>{
            daemon, "--config-file=" + config.string(), "--nofork", "--print-address=2"});
        if (!daemon_->Started()) return;
        if (const auto line = daemon_->ErrLineWith("unix:")) address_ = *line;
    }
    ~PrivateBus() {
        daemon_.reset();
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }

    // Empty when the bus could not be started (dbus-daemon missing: scripts/deps.sh test).
    const std::string& Address() const { return address_; }

  private:
    std::filesystem::path dir_;
    std::unique_ptr<Child> daemon_;
    std::string address_;
};

// The stand-in for RealtimeKit, serving on `bus`: it grants or refuses as told, within the
// bounds it is given, and writes down every request it answers.
class StandInKit {
  public:
    StandInKit(const PrivateBus& bus, bool grant, int maxPriority, long long rtTimeUsecMax)
        : process_({STANDIN_REALTIMEKIT, bus.Address(), grant ? "grant" : "refuse",
                    std::to_string(maxPriority), std::to_string(rtTimeUsecMax)}) {
        // Qt may say a word of its own first.
        while (process_.Started() && !ready_) {
            const auto line = process_.ErrLine();
            if (!line) break;
            ready_ = *line == "ready";
        }
    }
    bool Ready() const { return ready_; }

    // Ends the stand-in and returns every request it answered, one line each.
    std::vector<std::string> Requests() {
        process_.Signal(SIGTERM);
        process_.Wait();
        std::vector<std::string> lines;
        while (const auto line = process_.ErrLine())
            if (line->rfind("request ", 0) == 0) lines.push_back(*line);
        return lines;
    }

  private:
    Child process_;
    bool ready_ = false;
};

}  // namespace gyrolap::testing
