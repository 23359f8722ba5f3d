// SPDX-License-Identifier: MIT
// gyrolap-check [--replay RECORDING] [--max-size SIZE] [FILE]: checks submission texts, one per
// line, from FILE or standard input, and prints one answer per line. With a recording of the
// player's session, a text is valid only when replaying the recording puts exactly that text on
// the clipboard.
// Exit status 0: all valid; 1: any invalid; 2: unreadable input or recording, unwritable
// output or bad usage. A blank line is answered "invalid: empty line, ..." so that answers stay
// in step with input lines; an input with no lines at all prints nothing and exits 0.
#include <getopt.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "game/GameState.h"
#include "sim/Replay.h"
#include "sim/ScriptReader.h"
#include "submit/CheckLines.h"
#include "submit/SafeText.h"

namespace {

constexpr const char* kUsage =
    "usage: gyrolap-check [--replay RECORDING] [--max-size SIZE] [FILE]\n"
    "       gyrolap-check --help | --version\n"
    "Checks submission texts, one per line, from FILE or standard input (FILE absent or -).\n"
    "With --replay, a text is valid only when replaying RECORDING (made by gyrolap --record)\n"
    "puts exactly that text on the clipboard: \"valid ... replayed\", else \"invalid: not\n"
    "produced by the recorded game\". Plain \"valid\" means only that the code matches the text.\n"
    "A recording cut short (its session ended badly) proves the texts made before the cut.\n"
    "  --replay RECORDING  prove the texts by replaying RECORDING\n"
    "  --max-size SIZE     refuse a recording larger than SIZE bytes (suffix K, M or G;\n"
    "                      default 128M)\n"
    "  --help              show this text and exit\n"
    "  --version           show the version and exit\n"
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

// One input line, kept until the recording has been replayed.
struct Line {
    std::string text;
    bool tooLong = false;
};

// Replays the recording on the virtual clock and keeps, of the texts it put on the clipboard,
// those among `asked`: a recording may hold any number of texts, the check keeps only what it
// needs. An error message when it cannot be read or played to its end.
std::string Replay(std::istream& file, const std::string& name, std::uint64_t maxBytes,
                   const std::set<std::string>& asked, std::set<std::string>& played) {
    gyrolap::sim::ReplayOptions options;
    options.maxBytes = maxBytes;
    options.onClipboard = [&](std::string_view text) {
        if (const auto found = asked.find(std::string(text)); found != asked.end())
            played.insert(*found);
    };
    const auto outcome = gyrolap::sim::ReplayThrough(file, options);
    if (!outcome.Played()) return "cannot replay the recording " + name + ": " + outcome.reason;
    if (outcome.cutAfterLine) {
        std::fprintf(stderr,
                     "gyrolap-check: the recording %s was cut after line %zu (the session ended "
                     "without writing its last lines); the texts it made before that are proved\n",
                     name.c_str(), *outcome.cutAfterLine);
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    enum { kHelp = 'h', kVersion = 'V', kReplay = 'r', kMaxSize = 'm' };
    const option options[] = {{"help", no_argument, nullptr, kHelp},
                              {"version", no_argument, nullptr, kVersion},
                              {"replay", required_argument, nullptr, kReplay},
                              {"max-size", required_argument, nullptr, kMaxSize},
                              {nullptr, 0, nullptr, 0}};
    std::optional<std::string> recording;
    std::uint64_t maxBytes = gyrolap::sim::kDefaultMaxScriptBytes;
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
            case kReplay:
                if (recording) return UsageError("--replay given twice");
                recording = optarg;
                break;
            case kMaxSize:
                if (const auto size = gyrolap::sim::ParseByteCount(optarg)) {
                    maxBytes = *size;
                    break;
                }
                return UsageError("--max-size needs a size such as 1048576, 512K or 64M, not '" +
                                  gyrolap::Shortened(optarg, 40) + "'");
            case ':':
                return UsageError(std::string(argv[optind - 1]) + " needs a value");
            default:
                return UsageError("unknown option " + gyrolap::Shortened(argv[optind - 1], 80));
        }
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return std::fflush(stdout) == 0 ? 0 : Fail("cannot write the usage text");
    }
    if (version) {
        std::printf("gyrolap-check %s\n", gyrolap::kVersionText);
        return std::fflush(stdout) == 0 ? 0 : Fail("cannot write the version");
    }
    if (argc - optind > 1) return UsageError("expected at most one file");
    const std::string argument = optind < argc ? argv[optind] : "-";

    // The recording is opened first: one that cannot be read ends the check before any input.
    std::ifstream recordingFile;
    const std::string recordingName = recording ? gyrolap::Shortened(*recording, 200) : "";
    if (recording) {
        recordingFile.open(*recording, std::ios::binary);
        if (!recordingFile)
            return Fail("cannot open the recording " + recordingName + ": " + std::strerror(errno));
        struct stat status {};
        if (::stat(recording->c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            static_cast<std::uint64_t>(status.st_size) > maxBytes) {
            return Fail("cannot replay the recording " + recordingName + ": " +
                        gyrolap::sim::TooLargeMessage(maxBytes));
        }
    }

    const bool fromStdin = argument == "-";
    const std::string name = fromStdin ? "standard input" : gyrolap::Shortened(argument, 200);
    std::FILE* input = fromStdin ? stdin : std::fopen(argument.c_str(), "rb");
    if (input == nullptr) return Fail("cannot open " + name + ": " + std::strerror(errno));

    bool allValid = true;
    bool writeFailed = false;
    int writeError = 0;
    std::set<std::string> played;
    const auto answer = [&](std::string_view line, bool tooLong) {
        bool valid = false;
        const std::string text =
            gyrolap::AnswerTo(line, tooLong, valid, recording ? &played : nullptr);
        allValid = allValid && valid;
        if (!writeFailed && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
            writeFailed = true;
            writeError = errno;
        }
    };
    // With a recording, the lines wait for the replay, which needs to know what they ask.
    std::vector<Line> waiting;
    gyrolap::LineSplitter splitter([&](std::string_view line, bool tooLong) {
        if (recording)
            waiting.push_back(Line{std::string(line), tooLong});
        else
            answer(line, tooLong);
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

    if (recording) {
        std::set<std::string> asked;
        for (const Line& line : waiting) {
            if (line.tooLong) continue;
            const gyrolap::SubmissionCheck check = gyrolap::CheckSubmission(line.text);
            if (check.valid) asked.insert(check.text);
        }
        if (const std::string error = Replay(recordingFile, recordingName, maxBytes, asked, played);
            !error.empty())
            return Fail(error);
        for (const Line& line : waiting) answer(line.text, line.tooLong);
    }

    if (!writeFailed && (std::fflush(stdout) != 0 || std::ferror(stdout))) {
        writeFailed = true;
        writeError = errno;
    }
    if (writeFailed) {
        return Fail(std::string("cannot write the answers: ") + std::strerror(writeError));
    }
    return allValid ? 0 : 1;
}
