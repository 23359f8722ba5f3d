// SPDX-License-Identifier: MIT
// gyrolap-sim [--max-size SIZE] [SCRIPT]: replay a script against the game on a virtual clock
// and print what the window would show. Reads standard input when SCRIPT is absent or "-".
#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "game/GameState.h"
#include "sim/Replay.h"
#include "sim/RunScript.h"
#include "sim/ScriptSource.h"
#include "submit/SafeText.h"

namespace {

using namespace gyrolap::sim;

constexpr const char* kUsage =
    "usage: gyrolap-sim [--max-size SIZE] [SCRIPT]\n"
    "       gyrolap-sim --help | --version\n"
    "Replays SCRIPT (standard input when SCRIPT is absent or -) against the game on a virtual\n"
    "clock and prints one line per happening. A recording is played as it is read; one cut\n"
    "short (its session ended badly) is played up to its last whole line.\n"
    "  --max-size SIZE  refuse a script larger than SIZE bytes (suffix K, M or G; default 128M)\n"
    "  --help           show this text and exit\n"
    "  --version        show the version and exit\n"
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
    enum { kHelp = 'h', kVersion = 'V', kMaxSize = 'm' };
    const option options[] = {{"help", no_argument, nullptr, kHelp},
                              {"version", no_argument, nullptr, kVersion},
                              {"max-size", required_argument, nullptr, kMaxSize},
                              {nullptr, 0, nullptr, 0}};
    std::uint64_t maxBytes = kDefaultMaxScriptBytes;
    bool help = false;
    bool version = false;
    opterr = 0;
    for (int got; (got = getopt_long(argc, argv, ":h", options, nullptr)) != -1;) {
        switch (got) {
            case kHelp:
                help = true;
                break;
            case kVersion:
                version = true;
                break;
            case kMaxSize:
                if (const auto size = ParseByteCount(optarg)) {
                    maxBytes = *size;
                    break;
                }
                return UsageError("--max-size needs a size such as 1048576, 512K or 64M, not '" +
                                  gyrolap::Shortened(optarg, 40) + "'");
            case ':':
                return UsageError(std::string(argv[optind - 1]) + " needs a value");
            default:
                return UsageError("unknown option '" + gyrolap::Shortened(argv[optind - 1], 80) +
                                  "'");
        }
    }
    if (help) {
        std::cout << kUsage;
        return Finish(kExitOk);
    }
    if (version) {
        std::cout << "gyrolap-sim " << gyrolap::kVersionText << '\n';
        return Finish(kExitOk);
    }
    if (argc - optind > 1) return UsageError("expected at most one script");
    const std::string argument = optind < argc ? argv[optind] : "-";

    std::ifstream file;
    std::istream* in = &std::cin;
    const std::string shown = gyrolap::Shortened(argument, 200);
    if (argument != "-") {
        file.open(argument, std::ios::binary);
        if (!file) {
            return Fail("cannot open script '" + shown + "': " + std::strerror(errno),
                        kExitBadScript);
        }
        struct stat status {};
        if (::stat(argument.c_str(), &status) == 0) {
            if (S_ISDIR(status.st_mode)) {
                return Fail("cannot read script '" + shown + "': " + std::strerror(EISDIR),
                            kExitBadScript);
            }
            // A file known to be too large is refused before a line of it is played.
            if (S_ISREG(status.st_mode) && static_cast<std::uint64_t>(status.st_size) > maxBytes)
                return Fail(TooLargeMessage(maxBytes), kExitBadScript);
        }
        in = &file;
    } else if (::fcntl(STDIN_FILENO, F_GETFD) == -1) {
        // A closed standard input is no empty script.
        return Fail(
            std::string("cannot read the script from standard input: ") + std::strerror(errno),
            kExitBadScript);
    }
    std::unique_ptr<ScriptSource> source;
    try {
        source = OpenScript(*in, maxBytes);
    } catch (const ScriptError& error) {
        return Fail(Describe(error), kExitBadScript);
    }
    return Finish(RunScript(*source, std::cout, std::cerr));
}
