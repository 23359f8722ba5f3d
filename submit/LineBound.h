// SPDX-License-Identifier: MIT
// The one bound on a line of text that comes from outside, a submission file's or a script's:
// none a person or the game writes comes near it, and a longer one is refused without being
// kept, so memory stays flat whatever arrives.
#pragma once

#include <cstddef>

namespace gyrolap {

inline constexpr std::size_t kMaxLineLength = 4096;

}  // namespace gyrolap
