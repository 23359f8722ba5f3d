// SPDX-License-Identifier: MIT
// Runs one of the project's programs as a user would, with a given standard input, and
// collects its exit status and both outputs. For the tests of the command-line programs.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace gyrolap::testing {

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// `command` is a shell command line (quote the arguments); `env` is put in front of it.
inline CommandResult RunCommand(const std::string& command, const std::string& input,
                                const std::string& env = "") {
    static int serial = 0;
    const auto stem =
        std::filesystem::temp_directory_path() /
        ("gyrolap-test-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
    const std::string in = stem.string() + ".in", out = stem.string() + ".out",
                      err = stem.string() + ".err";
    std::ofstream(in, std::ios::binary) << input;
    const std::string line = env + " " + command + " <'" + in + "' >'" + out + "' 2>'" + err + "'";
    CommandResult result;
    const int raw = std::system(line.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadWholeFile(out);
    result.err = ReadWholeFile(err);
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

}  // namespace gyrolap::testing
