// SPDX-License-Identifier: MIT
// Where the handlers' coroutine frames come from: the ordinary heap, with a count of the bytes in
// use so the endurance benchmarks can say what a nested game costs.
#pragma once

#include <cstddef>

namespace gyrolap::CoroutineFrames {

void* Allocate(std::size_t size);
void Release(void* frame, std::size_t size) noexcept;

// Bytes handed out and not yet released; for the endurance benchmark and the tests.
std::size_t BytesInUse() noexcept;

}  // namespace gyrolap::CoroutineFrames
