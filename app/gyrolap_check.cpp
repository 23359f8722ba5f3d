// SPDX-License-Identifier: MIT
// gyrolap-check [--replay RECORDING] [FILE]: checks submission texts, one per line, from FILE or
// standard input, and prints one answer per line. With a recording of the player's session, a
// text is valid only when replaying the recording puts exactly that text on the clipboard.
// Exit status 0: all valid; 1: any invalid; 2: unreadable input or recording, unwritable
// output or bad usage. A blank line is answered "invalid: empty line, ..." so that answers stay
// in step with input lines; an input with no lines at all prints nothing and exits 0.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "game/GameState.h"
#include "sim/Replay.h"
#include "submit/CheckLines.h"
#include "submit/SafeText.h"

namespace {

constexpr const char* kUsage =
    "usage: gyrolap-check [--replay RECORDING] [FILE]\n"
    "       gyrolap-check --help | --version\n"
    "Checks submission texts, one per line, from FILE or standard input (FILE absent or -).\n"
    "With --replay, a text is valid only when replaying RECORDING (made by gyrolap --record)\n"
    "puts exactly that text on the clipboard: \"valid ... replayed\", else \"invalid: not\n"
    "produced by the recorded game\". Plain \"valid\" means only that the code matches the text.\n"
    "Lines end in LF, CR LF or CR; a line longer than 4096 bytes is refused unread.\n"
    "Prints \"valid version=V best=B average=A date=D\" or \"invalid: REASON\" for each line.\n"
    "Fields are escaped (\\\\, \\\", \\xNN, \\u{N}) and quoted (\"...\") when they hold a blank.\n"
    "Exit status: 0 all lines valid, 1 some line invalid, 2 input or recording unreadable,\n"
    "output unwritable or bad usage.\n";

constexpr int kExitUsage = 2;

int Fail(const std::string& message) {
    std::fprintf(stderr, "gyrolap-check: %s\n", message.c_str());
    return 2;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "gyrolap-check: %s\n%s", message.c_str(), kUsage);
    return kExitUsage;
}

// Replays the recording on the virtual clock and gathers what it put on the clipboard; an
// error message when it cannot be read or played to its end.
std::string Replay(const std::string& path, std::set<std::string>& played) {
    const std::string name = gyrolap::Shortened(path, 200);
    std::ifstream file(path, std::ios::binary);
    if (!file) return "cannot open the recording " + name + ": " + std::strerror(errno);
    gyrolap::sim::ReplayOptions options;
    options.onClipboard = [&played](std::string_view text) { played.emplace(text); };
    const auto outcome = gyrolap::sim::ReplayThrough(file, options);
    if (!outcome.Played()) return "cannot replay the recording " + name + ": " + outcome.reason;
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    std::set<std::string> played;
    bool replaying = false;
    if (argc >= 2 && std::string_view(argv[1]) == "--replay") {
        if (argc < 3) return UsageError("--replay needs a RECORDING");
        if (const std::string error = Replay(argv[2], played); !error.empty()) return Fail(error);
        replaying = true;
        argv += 2;
        argc -= 2;
    }
    if (argc > 2) return UsageError("expected at most one file");
    const std::string argument = argc == 2 ? argv[1] : "-";
    if (argument == "-h" || argument == "--help") {
        std::fputs(kUsage, stdout);
        return std::fflush(stdout) == 0 ? 0 : Fail("cannot write the usage text");
    }
    if (argument == "--version") {
        std::printf("gyrolap-check %s\n", gyrolap::kVersionText);
        return std::fflush(stdout) == 0 ? 0 : Fail("cannot write the version");
    }
    if (argument.size() > 1 && argument[0] == '-') {
        return UsageError("unknown option " + gyrolap::Shortened(argument, 80));
    }

    const bool fromStdin = argument == "-";
    const std::string name = fromStdin ? "standard input" : gyrolap::Shortened(argument, 200);
    std::FILE* input = fromStdin ? stdin : std::fopen(argument.c_str(), "rb");
    if (input == nullptr) return Fail("cannot open " + name + ": " + std::strerror(errno));

    bool allValid = true;
    bool writeFailed = false;
    int writeError = 0;
    gyrolap::LineSplitter splitter([&](std::string_view line, bool tooLong) {
        bool valid = false;
        const std::string answer =
            gyrolap::AnswerTo(line, tooLong, valid, replaying ? &played : nullptr);
        allValid = allValid && valid;
        if (!writeFailed && std::fwrite(answer.data(), 1, answer.size(), stdout) != answer.size()) {
            writeFailed = true;
            writeError = errno;
        }
    });

    static char buffer[1 << 16];
    std::size_t got = 0;
    while (!writeFailed && (got = std::fread(buffer, 1, sizeof buffer, input)) > 0) {
        splitter.Feed(std::string_view(buffer, got));
    }
    const bool readFailed = std::ferror(input) != 0;
    const int readError = errno;
    if (!fromStdin) std::fclose(input);
    if (readFailed) return Fail("cannot read " + name + ": " + std::strerror(readError));
    if (!writeFailed) splitter.Finish();

    if (!writeFailed && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
        writeFailed = true;
        writeError = errno;
    }
    if (writeFailed) {
        return Fail(std::string("cannot write the answers: ") + std::strerror(writeError));
    }
    return allValid ? 0 : 1;
}
