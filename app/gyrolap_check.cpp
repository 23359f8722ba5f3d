// SPDX-License-Identifier: MIT
// gyrolap-check [--replay RECORDING] [--max-size SIZE] [FILE]: checks submission texts, one per
// line, from FILE or standard input, and prints one answer per line. With a recording of the
// player's session, a text is valid only when replaying the recording puts exactly that text on
// the clipboard; with a recording and no text, it answers for every text the recording made.
// Exit status 0: all valid; 1: any invalid; 2: unreadable input or recording, unwritable
// output or bad usage. A blank line is answered "invalid: empty line, ..." so that answers stay
// in step with input lines; an input with no lines at all prints nothing and exits 0.
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <streambuf>
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
    "With --replay and no text (no FILE with standard input a terminal, or an input with no\n"
    "lines), it answers for every text the recording put on the clipboard, in the order it\n"
    "first did, one \"valid ... replayed\" line each; status 1 when it put none there.\n"
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

// Standard input or the FILE, read through stdio so that a failed read is told apart from the
// end of the input (an iostream sees both as the end), with the error kept.
class InputBuffer final : public std::streambuf {
  public:
    explicit InputBuffer(std::FILE* file) : file_(file) {}
    // The errno of a read that failed, or 0.
    int Error() const { return error_; }

  protected:
    int_type underflow() override {
        const std::size_t got = std::fread(buffer_, 1, sizeof buffer_, file_);
        if (got == 0) {
            if (std::ferror(file_)) error_ = errno != 0 ? errno : EIO;
            return traits_type::eof();
        }
        setg(buffer_, buffer_, buffer_ + got);
        return traits_type::to_int_type(buffer_[0]);
    }

  private:
    std::FILE* file_;
    int error_ = 0;
    char buffer_[1 << 16];
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

// More different texts than any session makes by pressing Submit Score (one per board it
// submits): a recording that makes more is refused rather than held in memory.
constexpr std::size_t kMaxListedBytes = std::size_t{16} << 20;

// Every text the recording put on the clipboard, answered as proved: the replay runs first, so
// a recording that does not play through proves nothing.
int ListTexts(std::istream& file, const std::string& name, std::uint64_t maxBytes) {
    std::vector<std::string> texts;
    std::set<std::string> seen;
    std::size_t held = 0;
    bool tooMany = false;
    gyrolap::sim::ReplayOptions options;
    options.maxBytes = maxBytes;
    options.onClipboard = [&](std::string_view text) {
        if (tooMany || seen.count(std::string(text)) != 0) return;
        held += text.size();
        tooMany = held > kMaxListedBytes;
        if (tooMany) return;
        seen.emplace(text);
        texts.emplace_back(text);
    };
    const auto outcome = gyrolap::sim::ReplayThrough(file, options);
    if (!outcome.Played())
        return Fail("cannot replay the recording " + name + ": " + outcome.reason);
    if (tooMany) {
        return Fail("the recording " + name + " made more than " +
                    std::to_string(kMaxListedBytes >> 20) + " MiB of different texts");
    }
    if (outcome.cutAfterLine) {
        std::fprintf(stderr,
                     "gyrolap-check: the recording %s was cut after line %zu (the session ended "
                     "without writing its last lines); the texts it made before that are proved\n",
                     name.c_str(), *outcome.cutAfterLine);
    }
    if (texts.empty()) {
        std::fprintf(stderr,
                     "gyrolap-check: the recording %s put no submission text on the clipboard: "
                     "the session never pressed Submit Score\n",
                     name.c_str());
    }
    std::size_t invalid = 0;
    for (const std::string& text : texts) {
        bool valid = false;
        std::fputs(gyrolap::AnswerTo(text, false, valid, &seen).c_str(), stdout);
        if (!valid) ++invalid;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail(std::string("cannot write the answers: ") + std::strerror(errno));
    return texts.empty() || invalid != 0 ? 1 : 0;
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

    // Nothing to ask about: a player at a terminal, or an empty input, hears every text.
    if (recording && optind == argc && ::isatty(STDIN_FILENO))
        return ListTexts(recordingFile, recordingName, maxBytes);

    const bool fromStdin = argument == "-";
    const std::string name = fromStdin ? "standard input" : gyrolap::Shortened(argument, 200);
    std::FILE* file = fromStdin ? stdin : std::fopen(argument.c_str(), "rb");
    if (file == nullptr) return Fail("cannot open " + name + ": " + std::strerror(errno));
    InputBuffer buffer(file);
    std::istream input(&buffer);
    const auto readFailed = [&] {
        return buffer.Error() != 0 ? "cannot read " + name + ": " + std::strerror(buffer.Error())
                                   : std::string();
    };

    gyrolap::CheckCounts counts;
    if (!recording) {
        counts = gyrolap::CheckStream(input, std::cout);
    } else {
        // The lines are read first: the replay keeps only the texts they ask about.
        const std::string lines(std::istreambuf_iterator<char>(input), {});
        if (const std::string error = readFailed(); !error.empty()) return Fail(error);
        if (lines.empty()) {
            if (!fromStdin) std::fclose(file);
            return ListTexts(recordingFile, recordingName, maxBytes);
        }
        std::istringstream asking(lines);
        const std::set<std::string> asked = gyrolap::ValidTexts(asking);
        std::set<std::string> played;
        if (const std::string error = Replay(recordingFile, recordingName, maxBytes, asked, played);
            !error.empty())
            return Fail(error);
        std::istringstream answering(lines);
        counts = gyrolap::CheckStream(answering, std::cout, &played);
    }
    if (!fromStdin) std::fclose(file);
    if (const std::string error = readFailed(); !error.empty()) return Fail(error);
    if (!std::cout.flush() || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        return Fail(std::string("cannot write the answers: ") + std::strerror(errno));
    }
    return counts.invalid == 0 ? 0 : 1;
}
