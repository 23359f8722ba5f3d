// SPDX-License-Identifier: MIT
// Whether this test build runs under a sanitizer. A sanitizer's own bookkeeping (AddressSanitizer's
// quarantine alone holds 256 MiB of freed memory) is no measure of the program's memory, and its
// checks make every step many times slower: tests that play volumes meant to show a bound play a
// tenth of them so built, where the point is that nothing faults on the way.
#pragma once

#include <cstddef>

namespace gyrolap::testing {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// The volume a test plays: `full`, or a tenth of it under a sanitizer.
constexpr std::size_t Volume(std::size_t full) {
    return kSanitized ? full / 10 : full;
}

}  // namespace gyrolap::testing
