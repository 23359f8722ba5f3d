// SPDX-License-Identifier: MIT
// Where coroutine frames come from: the ordinary heap, with a count of the bytes in use so the
// endurance benchmark can say what a nested game costs. (A free-list pool was measured and did
// not pay: 50,000 nested games took the same memory and time with it as without.)
#pragma once

#include <cstddef>

namespace gyrolap::FramePool {

void* Allocate(std::size_t size);
void Release(void* frame, std::size_t size) noexcept;

// Bytes handed out and not yet released; for the endurance benchmark and the tests.
std::size_t BytesInUse() noexcept;

}  // namespace gyrolap::FramePool
