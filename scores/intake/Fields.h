// SPDX-License-Identifier: MIT
// The names a player types beside a score (nickname, city, state, country), made fit to store
// and show: bounded, and without the characters that could steer a terminal or hide text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace gyrolap::scores {

inline constexpr std::size_t kMaxNicknameCharacters = 40;
inline constexpr std::size_t kMaxPlaceCharacters = 60;

// `raw` without control and invisible format characters, the letters that draw nothing (the
// Hangul fillers, the blank Braille pattern) and bytes that are not UTF-8, and with at most two
// combining marks on a character; tabs, line breaks and other blanks become spaces, runs of
// spaces one space, and none is left at either end. Nothing when more than `limit` characters
// remain.
std::optional<std::string> CleanField(std::string_view raw, std::size_t limit);

}  // namespace gyrolap::scores
