// SPDX-License-Identifier: MIT
// The one set of game variables, shared by every handler, nested or not.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "submit/Version.h"
#include "track/TrackSize.h"

namespace gyrolap {

struct GameState {
    std::int16_t Level = 0;
    // Kept as a 32-bit float on purpose: the tenth hit is found by comparing with exactly 10.
    float HitCount = 0;
    float StepDelay = 0;
    std::int32_t BallIndex = 0;  // empty until the first Start, which reads as 0
    std::int32_t StepsSinceHit = 0;
    std::uint8_t PathLength = 0;
    // Indexed by track position 1..32; [0] is never set.
    std::array<bool, kBallCount + 1> RingFlags{};
    bool Running = false;
    bool HitLatch = false;
    // Written by the run loop at every step and by the layout animation at every ball; the
    // wait in progress always measures from whichever wrote it last.
    std::uint32_t StepStart = 0;
    std::int32_t PathOffsetX = 0;
    std::int16_t PathOffsetY = 0;
    std::array<std::uint8_t, kBallCount + 1> ColourWave{};
    std::string VersionText;
    std::string SubmissionText;
    // The one counter of every loop over the balls, shared by nested handlers: a nested
    // loop that runs to the end leaves it past kBallCount, which ends the loop it interrupted.
    std::int32_t LoopIndex = 0;
};

// The triangle wave 2..10..3 of period 16 that colours the layout animation.
constexpr std::uint8_t ColourWaveAt(int i) {
    int j = (i - 1) % 16;
    return static_cast<std::uint8_t>(j <= 8 ? 2 + j : 18 - j);
}

}  // namespace gyrolap
