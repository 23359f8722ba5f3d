// SPDX-License-Identifier: MIT
// Reads what a program's --help and its rendered man page say about its command line: the
// options (with the name of their value, if they take one) and the exit statuses. Written to
// follow the help's meaning rather than its exact wording, so that the man page check keeps
// working as the help texts are rephrased or produced by another option parser.
#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace gyrolap::testing {

// Option name ("--replay", "-h") to the name of its value ("RECORDING"), empty when it takes
// none.
using OptionList = std::map<std::string, std::string>;

inline std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

inline std::string Lowered(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered;
}

inline bool IsBlank(std::string_view line) {
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

// The options a piece of a usage line or an option list names: "-x" or "--name", each
// optionally followed by its value's name in capitals (" FILE", "=FILE", " <FILE>",
// "[=FILE]"). A hyphen inside a word ("gyrolap-sim") starts no option.
inline void AddOptions(const std::string& piece, OptionList& options) {
    static const std::regex option(
        R"((^|[\s\[(|,])(--?[A-Za-z][A-Za-z0-9-]*)(?:(?:\[?=|[ \t]+)<?([A-Z][A-Z0-9_]*)>?)?)");
    for (std::sregex_iterator it(piece.begin(), piece.end(), option), end; it != end; ++it) {
        std::string& value = options[(*it)[2].str()];
        if (value.empty()) value = (*it)[3].str();
    }
}

// The options a --help text offers: those of its usage lines ("usage: NAME ..." and the lines
// after it that start with NAME again) and of its option list (lines that start, after some
// indent, with an option; the description, after two blanks, is not read, as it may speak of
// other options or of another program's).
inline OptionList OptionsInHelp(std::string_view help, std::string_view program) {
    OptionList options;
    bool inUsage = false;
    for (const std::string& line : SplitLines(help)) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) {
            inUsage = false;
            continue;
        }
        const std::string rest = line.substr(first);
        if (Lowered(rest).starts_with("usage:")) {
            inUsage = true;
            AddOptions(rest.substr(6), options);
        } else if (inUsage && first > 0 && rest.starts_with(program) &&
                   (rest.size() == program.size() || rest[program.size()] == ' ')) {
            AddOptions(rest.substr(program.size()), options);
        } else {
            inUsage = false;
            if (first > 0 && rest.size() > 1 && rest[0] == '-' && rest[1] != ' ')
                AddOptions(rest.substr(0, rest.find("  ")), options);
        }
    }
    return options;
}

// The exit statuses a --help text gives: the numbers 0 to 255 of its paragraph that begins at
// "exit status" (up to the next blank line), leaving out quantities such as "4096 bytes".
inline std::set<int> ExitStatusesInHelp(std::string_view help) {
    const std::string lowered = Lowered(help);
    const std::size_t start = lowered.find("exit status");
    if (start == std::string::npos) return {};
    std::string paragraph;
    for (const std::string& line : SplitLines(lowered.substr(start))) {
        if (IsBlank(line)) break;
        paragraph += line + '\n';
    }
    static const std::regex number(R"((^|[^\w.-])(\d+)(?![\w%]|\.\d))");
    static const std::regex unit(R"(^\s*(bytes?|[kmg]i?b|ms|s|seconds?|px|lines?)\b)");
    std::set<int> statuses;
    for (std::sregex_iterator it(paragraph.begin(), paragraph.end(), number), end; it != end;
         ++it) {
        const std::string digits = (*it)[2].str();
        const std::string after =
            paragraph.substr(static_cast<std::size_t>(it->position(2)) + digits.size());
        if (digits.size() > 3 || std::regex_search(after, unit)) continue;
        if (const int value = std::stoi(digits); value <= 255) statuses.insert(value);
    }
    return statuses;
}

// A man page as mandoc renders it for a terminal, cut into its sections by their headings
// (the lines that start in the first column).
struct RenderedPage {
    std::map<std::string, std::vector<std::string>> sections;
    // The section's text with every run of blanks and line ends made one space.
    std::string Flat(const std::string& heading) const {
        std::string flat;
        const auto found = sections.find(heading);
        if (found == sections.end()) return flat;
        for (const std::string& line : found->second) {
            for (const char c : line) {
                const bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
                if (!blank) {
                    flat += c;
                } else if (!flat.empty() && flat.back() != ' ') {
                    flat += ' ';
                }
            }
            if (!flat.empty() && flat.back() != ' ') flat += ' ';
        }
        return flat;
    }
};

// `text` is mandoc's -Tascii output: bold and underlined letters come overstruck ("X\bX",
// "_\bX") and are read as plain letters.
inline RenderedPage ReadRenderedPage(std::string_view text) {
    std::string plain;
    for (const char c : text) {
        if (c == '\b') {
            if (!plain.empty()) plain.pop_back();
        } else {
            plain += c;
        }
    }
    RenderedPage page;
    std::vector<std::string>* section = nullptr;
    for (const std::string& line : SplitLines(plain)) {
        if (!line.empty() && line[0] != ' ') {
            section = &page.sections[line];
        } else if (section != nullptr) {
            section->push_back(line);
        }
    }
    return page;
}

// Whether `flat` names `option` as a whole word, followed by `value` when that is not empty.
inline bool NamesOption(const std::string& flat, const std::string& option,
                        const std::string& value) {
    const auto isNamePart = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
    };
    for (std::size_t at = flat.find(option); at != std::string::npos;
         at = flat.find(option, at + 1)) {
        if (at > 0 && isNamePart(flat[at - 1])) continue;
        std::size_t after = at + option.size();
        if (after < flat.size() && isNamePart(flat[after])) continue;
        if (value.empty()) return true;
        if (flat.compare(after, 1, "[") == 0) ++after;
        if (after >= flat.size() || (flat[after] != ' ' && flat[after] != '=')) continue;
        ++after;
        if (flat.compare(after, 1, "<") == 0) ++after;
        if (flat.compare(after, value.size(), value) == 0 &&
            (after + value.size() == flat.size() || !isNamePart(flat[after + value.size()])))
            return true;
    }
    return false;
}

// The least indent of a section's lines: where its entries' tags start.
inline std::size_t TagIndent(const std::vector<std::string>& lines) {
    std::size_t indent = std::string::npos;
    for (const std::string& line : lines) indent = std::min(indent, line.find_first_not_of(' '));
    return indent;
}

// The exit statuses a page's EXIT STATUS section lists: the numbers its entries start with.
inline std::set<int> ExitStatusesInPage(const RenderedPage& page) {
    std::set<int> statuses;
    const auto found = page.sections.find("EXIT STATUS");
    if (found == page.sections.end()) return statuses;
    const std::size_t indent = TagIndent(found->second);
    static const std::regex entry(R"(^(\d{1,3})(\s|$))");
    for (const std::string& line : found->second) {
        std::smatch match;
        if (line.find_first_not_of(' ') != indent) continue;
        const std::string rest = line.substr(indent);
        if (std::regex_search(rest, match, entry)) statuses.insert(std::stoi(match[1].str()));
    }
    return statuses;
}

// The options a page names where it declares them: anywhere in its SYNOPSIS, and as the tags
// of its OPTIONS section's entries (the lines that start at the section's own indent).
inline std::set<std::string> OptionsInPage(const RenderedPage& page) {
    OptionList named;
    if (const auto synopsis = page.sections.find("SYNOPSIS"); synopsis != page.sections.end()) {
        for (const std::string& line : synopsis->second) AddOptions(line, named);
    }
    if (const auto list = page.sections.find("OPTIONS"); list != page.sections.end()) {
        const std::size_t indent = TagIndent(list->second);
        for (const std::string& line : list->second) {
            if (line.find_first_not_of(' ') != indent || line[indent] != '-') continue;
            // The tag ends where the words stop being options, values and separators: a
            // short tag shares its line with the entry's text ("--help Print the usage").
            static const std::regex tagWord(R"(^(-.*|[A-Z<\[][A-Z0-9_<>=\[\]]*,?|\|)$)");
            std::string tag;
            std::size_t at = indent;
            while (at < line.size()) {
                const std::size_t end = std::min(line.find(' ', at), line.size());
                const std::string word = line.substr(at, end - at);
                if (!word.empty() && !std::regex_match(word, tagWord)) break;
                tag += word + ' ';
                at = end + 1;
            }
            AddOptions(tag, named);
        }
    }
    std::set<std::string> options;
    for (const auto& entry : named) options.insert(entry.first);
    return options;
}

}  // namespace gyrolap::testing
