// SPDX-License-Identifier: MIT
// How much the score page takes from a stranger, named once: the service refuses more before
// reading it, and the replay is told the same bound.
#pragma once

#include <cstddef>

namespace gyrolap::scores {

// A recording of hours of play stays well below this (a step a line, a few bytes each).
inline constexpr std::size_t kMaxRecordingBytes = std::size_t{8} << 20;
// A whole submission: the recording, the text, the names and the form's own framing.
inline constexpr std::size_t kMaxRequestBytes = kMaxRecordingBytes + (std::size_t{64} << 10);
// The request line and headers of any request.
inline constexpr std::size_t kMaxHeadBytes = std::size_t{16} << 10;
// A request body up to this size needs no place among the large uploads.
inline constexpr std::size_t kSmallRequestBytes = std::size_t{64} << 10;

}  // namespace gyrolap::scores
