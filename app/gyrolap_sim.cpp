// SPDX-License-Identifier: MIT
// gyrolap-sim [SCRIPT]: replay a script against the game on a virtual clock and print what the
// window would show. Reads standard input when SCRIPT is absent or "-".
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "game/GameState.h"
#include "sim/Script.h"
#include "sim/Simulator.h"
#include "submit/SafeText.h"

namespace {

using namespace gyrolap::sim;

constexpr const char* kUsage =
    "usage: gyrolap-sim [SCRIPT]\n"
    "       gyrolap-sim --help | --version\n"
    "Replays SCRIPT (standard input when SCRIPT is absent or -) against the game on a virtual\n"
    "clock and prints one line per happening.\n"
    "Exit status: 0 done; 2 bad script, unreadable script, unwritable output or bad usage;\n"
    "3 the script ran out of random values.\n";

// A failed write and a bad command line end the run like a bad script: nothing usable came out.
constexpr int kExitCannotWrite = kExitBadScript;
constexpr int kExitUsage = kExitBadScript;

int Fail(const std::string& message, int status) {
    std::cerr << "gyrolap-sim: " << message << '\n';
    return status;
}

int UsageError(const std::string& message) {
    std::cerr << "gyrolap-sim: " << message << '\n' << kUsage;
    return kExitUsage;
}

// Flushes standard output: a run whose output was not all written is a failed run.
int Finish(int status) {
    std::cout.flush();
    if (!std::cout) {
        const int error = errno;
        return Fail(std::string("cannot write the output: ") +
                        (error ? std::strerror(error) : "write error"),
                    kExitCannotWrite);
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    if (argc > 2) return UsageError("expected at most one script");
    const std::string argument = argc == 2 ? argv[1] : "-";
    if (argument == "-h" || argument == "--help") {
        std::cout << kUsage;
        return Finish(kExitOk);
    }
    if (argument == "--version") {
        std::cout << "gyrolap-sim " << gyrolap::kVersionText << '\n';
        return Finish(kExitOk);
    }
    if (argument.size() > 1 && argument[0] == '-') {
        return UsageError("unknown option '" + gyrolap::Shortened(argument, 80) + "'");
    }

    std::ifstream file;
    std::istream* in = &std::cin;
    const std::string shown = gyrolap::Shortened(argument, 200);
    if (argument != "-") {
        std::error_code error;
        if (std::filesystem::is_directory(argument, error)) {
            return Fail("cannot read script '" + shown + "': " + std::strerror(EISDIR),
                        kExitBadScript);
        }
        file.open(argument, std::ios::binary);
        if (!file) {
            return Fail("cannot open script '" + shown + "': " + std::strerror(errno),
                        kExitBadScript);
        }
        in = &file;
    } else if (::fcntl(STDIN_FILENO, F_GETFD) == -1) {
        // A closed standard input is no empty script.
        return Fail(
            std::string("cannot read the script from standard input: ") + std::strerror(errno),
            kExitBadScript);
    }
    Script script;
    try {
        script = ParseScript(*in);
    } catch (const ScriptError& error) {
        return Fail("line " + std::to_string(error.line()) + ": " + error.what(), kExitBadScript);
    }
    return Finish(RunScript(script, std::cout, std::cerr));
}
