// SPDX-License-Identifier: MIT
// gyrolap: the game in its window. `--record FILE` writes the session down as it is played;
// `--replay FILE` plays such a recording (or any simulator script) back in the window.
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <QApplication>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "app/GameProgram.h"
#include "game/GameState.h"

namespace {

constexpr const char* kUsage =
    "usage: gyrolap [--record FILE | --replay FILE]\n"
    "       gyrolap --help | --version\n"
    "Plays Gyrolap in a window.\n"
    "  --record FILE  also write the session to FILE as a gyrolap-sim script, line by line\n"
    "  --replay FILE  play a recording (or any gyrolap-sim script) back in the window\n"
    "  --help         show this text and exit\n"
    "  --version      show the version and exit\n"
    "Exit status: 0 when the window is closed, 2 for bad usage or a FILE that cannot be\n"
    "written or read, 3 when a replayed script runs out of random values.\n";

struct Options {
    std::string record;
    std::string replay;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "gyrolap: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// Parses the command line; returns an exit status when the program should end at once.
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("gyrolap %s\n", gyrolap::kVersionText);
            return 0;
        }
        if (arg == "--record" || arg == "--replay") {
            // An empty FILE names no file: taken as given, it would leave the game playing
            // without the recording it was asked for, and ending with status 0 all the same.
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return UsageError(std::string(arg) + " needs a FILE");
            (arg == "--record" ? options.record : options.replay) = argv[++i];
            continue;
        }
        // Qt's own options (-platform, -style, ...) are for QApplication.
        if (arg.starts_with("--")) return UsageError("unknown option " + std::string(arg));
    }
    if (!options.record.empty() && !options.replay.empty())
        return UsageError("--record and --replay cannot go together");
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef __linux__
    // Timer slack is per thread. The window's thread wakes a replay at its precise instants,
    // and the default 50 us of slack would be added to each of those wake-ups. (The game's
    // own thread sets its slack itself.)
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    Options options;
    // --help and --version need no display, so they come before Qt opens one.
    if (const auto status = ParseOptions(argc, argv, options)) return *status;

    gyrolap::GameProgram program;
    // Whatever the command line names is checked before the window opens.
    if (const auto status = program.Prepare({options.record, options.replay})) return *status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Gyrolap"));
    QApplication::setDesktopFileName(QStringLiteral(GYROLAP_APP_ID));
    program.Start();
    const int status = QApplication::exec();
    return program.Finish(status);
}
