// A small free-list allocator for coroutine frames. Frames come in a handful of sizes and are
// created and destroyed at every press, so recycling them keeps a long session's heap flat.
#pragma once

#include <cstddef>

namespace gyrolap::FramePool {

void* Allocate(std::size_t size);
void Release(void* frame, std::size_t size) noexcept;

// Bytes handed out and not yet released; for the endurance benchmark and the tests.
std::size_t BytesInUse() noexcept;

}  // namespace gyrolap::FramePool
