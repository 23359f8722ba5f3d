// SPDX-License-Identifier: MIT
// Readable, stable names for the cases of a parameterised test: the case's place in its table,
// then the first words of what it must say, so `ctest -R` and reruns find the same case again.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gyrolap::testing {

inline std::string CaseName(std::size_t index, std::string_view what) {
    std::string name = "Case" + std::to_string(index);
    bool gap = true;
    for (const char c : what) {
        if (c == ':' || c == '(') break;
        const bool word =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (word && gap && name.size() >= 32) break;
        if (word && gap) name += '_';
        if (word) name += c;
        gap = !word;
    }
    return name;
}

}  // namespace gyrolap::testing
