// SPDX-License-Identifier: MIT
// The man pages against the programs they describe. The build is installed into a scratch
// folder as a package would stage it; every program found there must have a man page of its
// name, and that page must name every option and exit status the program's own --help gives,
// and no option or status the program lacks. Programs and options are read from the installed
// tree and from --help, so a new program or option fails here until its page says it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "packaging/DocumentedOptions.h"
#include "support/RunCommand.h"

namespace gyrolap::testing {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Listed(const std::set<std::string>& names) {
    std::string listed;
    for (const std::string& name : names) listed += (listed.empty() ? "" : " ") + name;
    return listed;
}

std::string Listed(const std::set<int>& numbers) {
    std::set<std::string> names;
    for (const int number : numbers) names.insert(std::to_string(number));
    return Listed(names);
}

struct InstalledProgram {
    fs::path path;
    fs::path manPage;  // empty when there is none
};

class ManPages : public ::testing::Test {
  protected:
    // One install for the whole suite: what `cmake --install` puts in a staging folder.
    static void SetUpTestSuite() {
        stage_ = fs::temp_directory_path() / ("gyrolap-man-test-" + std::to_string(::getpid()));
        fs::remove_all(stage_);
        // The default component only, so that the install writes its list of files to its own
        // manifest and leaves alone the one `uninstall` reads after a real install.
        install_ = RunCommand(Quoted(GYROLAP_CMAKE) + " --install " + Quoted(GYROLAP_BUILD_DIR) +
                                  " --prefix /usr --component Unspecified",
                              "", "DESTDIR=" + Quoted(stage_.string()));
        if (install_.status != 0) return;
        std::map<std::string, fs::path> pages;
        std::vector<fs::path> programs;
        for (const auto& entry : fs::recursive_directory_iterator(stage_)) {
            if (!entry.is_regular_file()) continue;
            const fs::path& path = entry.path();
            if ((entry.status().permissions() & fs::perms::owner_exec) != fs::perms::none) {
                programs.push_back(path);
            } else if (path.parent_path().filename().string().starts_with("man")) {
                pages[path.stem().string()] = path;
            }
        }
        for (const fs::path& program : programs) {
            const auto page = pages.find(program.filename().string());
            installed_[program.filename().string()] = {
                program, page == pages.end() ? fs::path() : page->second};
        }
    }

    static void TearDownTestSuite() { fs::remove_all(stage_); }

    void SetUp() override {
        ASSERT_EQ(install_.status, 0) << "cmake --install failed:\n"
                                      << install_.out << install_.err;
        ASSERT_TRUE(fs::exists(GYROLAP_MANDOC))
            << "mandoc renders the man pages for this test: scripts/deps.sh test installs it";
    }

    static RenderedPage Render(const fs::path& page) {
        const CommandResult rendered = RunCommand(
            Quoted(GYROLAP_MANDOC) + " -Tascii -O width=250 " + Quoted(page.string()), "");
        EXPECT_EQ(rendered.status, 0) << rendered.err;
        return ReadRenderedPage(rendered.out);
    }

    static CommandResult Help(const fs::path& program) {
        const CommandResult help = RunCommand(Quoted(program.string()) + " --help", "");
        EXPECT_EQ(help.status, 0) << help.err;
        EXPECT_FALSE(help.out.empty()) << program << " --help printed nothing on standard output";
        return help;
    }

    static inline fs::path stage_;
    static inline CommandResult install_;
    static inline std::map<std::string, InstalledProgram> installed_;
};

TEST_F(ManPages, EveryInstalledProgramHasAPageOfItsName) {
    // The programs this build makes are among those found, so the search itself is checked.
    for (const std::string name : {GYROLAP_BUILT_PROGRAMS}) {
        EXPECT_TRUE(installed_.contains(name)) << name << " was not found in the installed tree";
    }
    for (const auto& [name, program] : installed_) {
        EXPECT_FALSE(program.manPage.empty()) << "no man page for the installed " << name;
    }
}

TEST_F(ManPages, NameEveryOptionAndExitStatusTheirProgramsHelpGives) {
    for (const auto& [name, program] : installed_) {
        if (program.manPage.empty()) continue;  // reported by the test above
        SCOPED_TRACE(name + ": " + program.manPage.filename().string());
        const CommandResult help = Help(program.path);
        const RenderedPage page = Render(program.manPage);

        const OptionList options = OptionsInHelp(help.out, name);
        EXPECT_TRUE(options.contains("--help") && options.contains("--version"))
            << "the options were not found in --help:\n"
            << help.out;
        const std::string listed = page.Flat("OPTIONS");
        for (const auto& [option, value] : options) {
            EXPECT_TRUE(NamesOption(listed, option, value))
                << "OPTIONS does not give " << option << (value.empty() ? "" : " " + value);
        }

        const std::set<int> statuses = ExitStatusesInHelp(help.out);
        EXPECT_TRUE(statuses.contains(0)) << "no exit statuses found in --help:\n" << help.out;
        EXPECT_EQ(Listed(ExitStatusesInPage(page)), Listed(statuses))
            << "EXIT STATUS lists other statuses than --help gives";
    }
}

TEST_F(ManPages, NameNoOptionTheirProgramLacks) {
    for (const auto& [name, program] : installed_) {
        if (program.manPage.empty()) continue;
        SCOPED_TRACE(name + ": " + program.manPage.filename().string());
        const OptionList known = OptionsInHelp(Help(program.path).out, name);
        std::set<std::string> unknown;
        for (const std::string& option : OptionsInPage(Render(program.manPage)))
            if (!known.contains(option)) unknown.insert(option);
        EXPECT_EQ(Listed(unknown), "") << "the page offers options that --help does not give";
    }
}

// How the texts are read, on the shapes a help text takes: as our programs write it, as
// Qt's command line parser writes it, and as getopt-style programs write it.
TEST(DocumentedOptionsReading, FindsOptionsAndStatusesHoweverTheHelpIsLaidOut) {
    struct Case {
        const char* what;
        const char* program;
        const char* help;
        const char* options;  // each option, and "=VALUE" when it takes one
        const char* statuses;
    };
    const Case cases[] = {
        {"usage lines only, statuses in a sentence", "gyrolap-check",
         "usage: gyrolap-check [--replay RECORDING] [FILE]\n"
         "       gyrolap-check --help | --version\n"
         "With --replay, a text is valid only when replaying RECORDING (made by gyrolap --record)\n"
         "a line longer than 4096 bytes is refused unread.\n"
         "Exit status: 0 all lines valid, 1 some line invalid, 2 input or recording unreadable,\n"
         "output unwritable or bad usage.\n",
         "--help --replay=RECORDING --version", "0 1 2"},
        {"an option list whose descriptions name other options", "gyrolap",
         "usage: gyrolap [--record FILE | --replay FILE]\n"
         "  --record FILE  also write the session to FILE as a gyrolap-sim script\n"
         "  --verbose      say more; see --record\n"
         "Exit status: 0 when the window is closed, 2 for bad usage or a FILE that cannot be\n"
         "written or read, 3 when a replayed script runs out of random values.\n",
         "--record=FILE --replay=FILE --verbose", "0 2 3"},
        {"Qt's layout, with short options and values in angle brackets", "gyrolap",
         "Usage: /usr/games/gyrolap [options]\n"
         "Plays Gyrolap in a window.\n"
         "Exit status:\n"
         "  0  the window was closed\n"
         "  1  no display\n"
         "\n"
         "Options:\n"
         "  -h, --help       Displays help on commandline options.\n"
         "  -v, --version    Displays version information.\n"
         "  --record <FILE>  Also write the session to FILE; 2 MiB at most.\n",
         "--help --record=FILE --version -h -v", "0 1"},
        {"getopt's layout, with values after =, and quantities beside the statuses", "gyrolap-sim",
         "usage: gyrolap-sim [OPTION]... [SCRIPT]\n"
         "  -m, --max-bytes=BYTES   stop at BYTES of recording\n"
         "  --quiet[=LEVEL]         print less\n"
         "The exit status is 0 when done and 3 when the script ran out of random values;\n"
         "2 for a script of more than 65536 lines or 16 MiB, or 1.5 s of output.\n",
         "--max-bytes=BYTES --quiet=LEVEL -m", "0 2 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::set<std::string> options;
        for (const auto& [option, value] : OptionsInHelp(c.help, c.program))
            options.insert(value.empty() ? option : option + "=" + value);
        EXPECT_EQ(Listed(options), c.options);
        EXPECT_EQ(Listed(ExitStatusesInHelp(c.help)), c.statuses);
    }
}

// A page as mandoc renders it: options found with their values however the tag is laid out,
// and only the entries of EXIT STATUS taken for statuses.
TEST(DocumentedOptionsReading, ReadsARenderedPage) {
    const RenderedPage page = ReadRenderedPage(
        "GYROLAP(6)            Games Manual            GYROLAP(6)\n"
        "\n"
        "S\bSY\bYN\bNO\bOP\bPS\bSI\bIS\bS\n"
        "       gyrolap [--record _\bF_\bI_\bL_\bE]\n"
        "\n"
        "OPTIONS\n"
        "       -h, --help\n"
        "              Print the usage; see also --wrong-place.\n"
        "\n"
        "       --record _\bF_\bI_\bL_\bE\n"
        "              Write the session to FILE.\n"
        "\n"
        "       --version Print the version.\n"
        "\n"
        "EXIT STATUS\n"
        "       0      The window was closed.\n"
        "\n"
        "       3      The replay needed more than\n"
        "              4096 random values, or\n"
        "              2 at once.\n");
    EXPECT_EQ(Listed(OptionsInPage(page)), "--help --record --version -h");
    EXPECT_EQ(Listed(ExitStatusesInPage(page)), "0 3");
    const std::string listed = page.Flat("OPTIONS");
    EXPECT_TRUE(NamesOption(listed, "--record", "FILE"));
    EXPECT_FALSE(NamesOption(listed, "--record", "RECORDING"));
    EXPECT_FALSE(NamesOption(listed, "--wrong", ""));
    EXPECT_FALSE(NamesOption(listed, "--replay", ""));
}

}  // namespace
}  // namespace gyrolap::testing
