// SPDX-License-Identifier: MIT
// Plain-part pieces made up from a seeded generator, for the tests that run the codec over many
// texts: short and long, with separators, slashes and bytes outside ASCII in the date.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace gyrolap::testing {

struct Pieces {
    std::string version;
    std::string best;
    std::string average;
    std::string date;
};

inline std::string RandomDigits(std::mt19937& rng, int minLength, int maxLength) {
    std::string digits;
    const int length = std::uniform_int_distribution<int>(minLength, maxLength)(rng);
    for (int k = 0; k < length; ++k) {
        digits += static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(rng));
    }
    return digits;
}

// Any bytes at all, except a lower-case "x" when the piece must not hold a separator.
inline std::string RandomBytes(std::mt19937& rng, int minLength, int maxLength, bool allowX) {
    std::string bytes;
    const int length = std::uniform_int_distribution<int>(minLength, maxLength)(rng);
    while (static_cast<int>(bytes.size()) < length) {
        const auto byte = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
        if (byte == 'x' && !allowX) continue;
        bytes += byte;
    }
    return bytes;
}

// Version, best and average never hold "x", and no piece is empty: the form the game sends.
inline Pieces RandomPieces(std::mt19937& rng) {
    static const std::vector<std::string> dates = {"5/16/2001",
                                                   "16/05/2001",
                                                   "16.05.2001",
                                                   "2001-05-16",
                                                   "16x05x2001",
                                                   "16. M\xC3\xA4rz 2001",
                                                   "2001\xE5\xB9\xB4"
                                                   "5\xE6\x9C\x88",
                                                   "1/1/01",
                                                   "x",
                                                   "/",
                                                   "12/31/1999",
                                                   "31.12.1999 x/x/"};
    Pieces pieces;
    const int kind = std::uniform_int_distribution<int>(0, 3)(rng);
    pieces.version = kind == 0 ? std::string("2001.0516.1158") : RandomBytes(rng, 1, 20, false);
    pieces.best = RandomDigits(rng, 1, 4);
    pieces.average = RandomDigits(rng, 0, 3) + "." + RandomDigits(rng, 3, 3);
    if (kind == 3) {
        pieces.date = RandomBytes(rng, 1, 40, true);
    } else {
        const auto pick = std::uniform_int_distribution<std::size_t>(0, dates.size() - 1)(rng);
        pieces.date = dates[pick];
    }
    return pieces;
}

}  // namespace gyrolap::testing
