// gyrolap-check [FILE]: checks submission texts, one per line, from FILE or standard input, and
// prints one answer per line. Exit status 0: all valid; 1: any invalid; 2: unreadable input or
// bad usage. A blank line is answered "invalid: empty line, ..." so that answers stay in step
// with input lines; an input with no lines at all prints nothing and exits 0.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "submit/SubmissionCheck.h"

namespace {

constexpr const char* kUsage =
    "usage: gyrolap-check [FILE]\n"
    "Checks submission texts, one per line, from FILE or standard input (FILE absent or -).\n"
    "Prints \"valid version=V best=B average=A date=D\" or \"invalid: REASON\" for each line.\n"
    "Exit status: 0 all lines valid, 1 some line invalid, 2 input unreadable or bad usage.\n";

// The pieces come from whoever sent the text: control bytes are shown escaped so they cannot
// steer the terminal, and a backslash is doubled so the escapes stay unambiguous.
std::string Printable(std::string_view piece) {
    std::string out;
    for (const char c : piece) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte == 0x7f) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

// Prints the answer for one line; returns whether it was valid.
bool Answer(std::string_view line) {
    const gyrolap::SubmissionCheck check = gyrolap::CheckSubmission(line);
    std::string out;
    if (check.valid) {
        out = "valid version=" + Printable(check.version) + " best=" + Printable(check.best) +
              " average=" + Printable(check.average) + " date=" + Printable(check.date) + "\n";
    } else {
        out = "invalid: " + check.reason + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return check.valid;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "gyrolap-check: %s\n", message.c_str());
    return 2;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "gyrolap-check: %s\n%s", message.c_str(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) return UsageError("expected at most one file");
    const std::string argument = argc == 2 ? argv[1] : "-";
    if (argument == "-h" || argument == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argument.size() > 1 && argument[0] == '-') {
        return UsageError("unknown option " + argument);
    }

    const bool fromStdin = argument == "-";
    const std::string name = fromStdin ? "standard input" : argument;
    std::FILE* input = fromStdin ? stdin : std::fopen(argument.c_str(), "rb");
    if (input == nullptr) return Fail("cannot open " + name + ": " + std::strerror(errno));

    bool allValid = true;
    std::string pending;
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, input)) > 0) {
        std::size_t start = 0;
        for (std::size_t k = 0; k < got; ++k) {
            if (buffer[k] != '\n') continue;
            pending.append(buffer + start, k - start);
            allValid = Answer(pending) && allValid;
            pending.clear();
            start = k + 1;
        }
        pending.append(buffer + start, got - start);
    }
    const bool readFailed = std::ferror(input) != 0;
    const int readError = errno;
    if (!fromStdin) std::fclose(input);
    if (readFailed) return Fail("cannot read " + name + ": " + std::strerror(readError));
    // The last line needs no newline after it.
    if (!pending.empty()) allValid = Answer(pending) && allValid;

    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        return Fail(std::string("cannot write the answers: ") + std::strerror(errno));
    }
    return allValid ? 0 : 1;
}
